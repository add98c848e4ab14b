// Platform edges of the real-folder tests: the logging stand-in for the
// registration tool, the environment it reads, and the test program's folder.
#pragma once

#include <string>
#include <vector>

// Puts a program at destination that, when started, appends one line
//     <parameters as on its command line>\t<working directory>\r\n
// to the file named by TW_REGSVR32_LOG (the host starts no tool: there it is a
// file of that name).
void PlaceLoggingTool(const std::string& destination);
void SetToolLog(const std::string& logPath);
// The log's complete lines; none when there is no log.
std::vector<std::string> LogLines(const std::string& logPath);

#ifdef _WIN32
// A file of the Windows test helpers built in tests\winetools\.
std::string WinetoolsFile(const std::string& name);
// The working directory a started tool reports for the folder it was started in.
std::string ReportedDirectory(const std::string& folder);
#endif
