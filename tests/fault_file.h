// A real CFile that logs what is asked of it and fails on cue: the one
// fault-injecting file of the tests (block copy, fault runs, record writer).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/File.h"

class FaultFile : public CFile {
public:
    // Steps go to journal, shared by the files of one test, as "<label> <step>"
    // ("<step>" without a label): "open", "read", "write N", "seek O from F",
    // "close", and "abort" of an open file.
    explicit FaultFile(std::vector<std::string>* journal = nullptr, std::string label = {})
        : m_journal(journal), m_label(std::move(label)) {}

    // The nth step (from 1) of this kind ("read", "write", "seek", "mark", "unmark",
    // "close") is logged
    // and then throws the platform error code, without being done; with code 0 it
    // throws std::bad_alloc, a failure that is not the file layer's.
    void FailAt(const std::string& kind, int nth, long code);
    // The writes store this many bytes in all; the write that crosses the limit
    // stores what fits and then reports the disk full.
    void FillDiskAfter(unsigned long bytes) { m_diskRoom = static_cast<long>(bytes); }
    // Each read returns at most this many bytes.
    void ShortReads(unsigned bytes) { m_readLimit = bytes; }

    BOOL Open(const char* fileName, unsigned flags, CFileException* error) override;
    unsigned Read(void* buffer, unsigned count) override;
    void Write(const void* buffer, unsigned count) override;
    long Seek(long offset, unsigned from) override;
    void Close() override;
    void Abort() override;
    void SetDeleteOnClose(bool deleteOnClose) override;

    // What the last Open was handed, the error record as it came in.
    std::string openedName;
    unsigned openFlags = 0;
    CFileException* openError = nullptr;
    CFileException errorAtOpen;
    std::vector<unsigned> readResults;  // the count of each read that returned
    std::vector<unsigned> writeCounts;  // the count of each write asked for

private:
    void Step(const std::string& kind, const std::string& detail = {});

    std::vector<std::string>* m_journal;
    std::string m_label;
    std::map<std::string, int> m_counts;
    std::string m_failKind;
    int m_failNth = 0;
    long m_failCode = 0;
    long m_diskRoom = -1;
    unsigned m_readLimit = 0;
};
