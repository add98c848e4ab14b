#include "tests/fault_file.h"

#include <algorithm>
#include <new>

void FaultFile::FailAt(const std::string& kind, int nth, long code) {
    m_failKind = kind;
    m_failNth = nth;
    m_failCode = code;
}

void FaultFile::Step(const std::string& kind, const std::string& detail) {
    if (m_journal) {
        std::string entry = detail.empty() ? kind : kind + " " + detail;
        m_journal->push_back(m_label.empty() ? entry : m_label + " " + entry);
    }
    if (kind != m_failKind || ++m_counts[kind] != m_failNth) return;
    if (m_failCode == 0) throw std::bad_alloc();
    CFileException::ThrowOsError(m_failCode, GetFilePath());
}

BOOL FaultFile::Open(const char* fileName, unsigned flags, CFileException* error) {
    openedName = fileName;
    openFlags = flags;
    openError = error;
    if (error) errorAtOpen = *error;
    Step("open");
    return CFile::Open(fileName, flags, error);
}

unsigned FaultFile::Read(void* buffer, unsigned count) {
    Step("read");
    unsigned got = CFile::Read(buffer, m_readLimit ? std::min(count, m_readLimit) : count);
    readResults.push_back(got);
    return got;
}

void FaultFile::Write(const void* buffer, unsigned count) {
    Step("write", std::to_string(count));
    writeCounts.push_back(count);
    if (m_diskRoom >= 0 && count > static_cast<unsigned long>(m_diskRoom)) {
        CFile::Write(buffer, static_cast<unsigned>(m_diskRoom));
        m_diskRoom = 0;
        CFileException::Throw(CFileException::diskFull, -1, GetFilePath());
    }
    CFile::Write(buffer, count);
    if (m_diskRoom >= 0) m_diskRoom -= static_cast<long>(count);
}

long FaultFile::Seek(long offset, unsigned from) {
    Step("seek", std::to_string(offset) + " from " + std::to_string(from));
    return CFile::Seek(offset, from);
}

void FaultFile::Close() {
    Step("close", m_bDeleteOnClose ? "marked" : "");
    CFile::Close();
}

void FaultFile::Abort() {
    if (m_journal && IsOpen()) {
        std::string step = m_bDeleteOnClose ? "abort marked" : "abort";
        m_journal->push_back(m_label.empty() ? step : m_label + " " + step);
    }
    CFile::Abort();
}

void FaultFile::SetDeleteOnClose(bool deleteOnClose) {
    Step(deleteOnClose ? "mark" : "unmark");
    CFile::SetDeleteOnClose(deleteOnClose);
}
