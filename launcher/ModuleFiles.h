#pragma once
// File work of the module installers: version numbers, the download, the swap of a file that must
// not be lost, the lines of an SQL update.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/core/Strings.h"

class TInstallJournal;

// Every "." deleted, the rest read as a signed 32-bit decimal integer; empty or invalid text
// (letters, blanks, more than fits) counts as 0. The service relies on this reading.
int VersionNumber(const AnsiString& version);
// True when remote's number is strictly greater than local's.
bool IsNewerVersion(const AnsiString& remote, const AnsiString& local);

// The file's bytes as text; raises Exception when it cannot be read.
AnsiString ReadWholeFile(const AnsiString& fileName);

// Writes all the bytes to fileName (created or truncated), with flush: through to the disk. A
// file not written whole is deleted; false then, with the system's error in error.
bool WriteDownload(const AnsiString& fileName, const uint8_t* data, size_t size, AnsiString& error,
                   bool flush = false);

// Flushes the file's data to the disk; false (the system's error set) when it cannot.
bool FlushFile(const AnsiString& fileName);

// Puts a copy of source in place of target without ever losing target: the copy is made beside
// target and flushed, target is renamed aside, the copy renamed in, and check runs. When the copy,
// a rename or check fails (check answers false or raises), the old target is put back and false
// answered with the reason in error. With a journal, it is written before the copy and removed
// once check passed or the old file is back. The aside file is deleted only after that; source
// stays. copy is the copying routine (source, staged target).
bool SwapInFile(const AnsiString& source, const AnsiString& target,
                const std::function<bool(const AnsiString&, const AnsiString&)>& copy,
                const std::function<bool()>& check, AnsiString& error, TInstallJournal* journal = nullptr);

// One line of an SQL update: the version is the text before the first "~" (empty without one),
// the statement the rest.
struct TSqlLine {
    AnsiString Version;
    AnsiString Statement;
};
// The lines of the text, split at CR LF, CR or LF; empty lines are kept as empty statements.
std::vector<TSqlLine> SplitSqlLines(const AnsiString& text);
