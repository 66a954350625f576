#pragma once
// File, process, stream, archive and date routines every launcher unit leans on, and the error log.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/DateTime.h"
#include "platform/core/Strings.h"
#include "platform/core/Win.h"

class TStream;
class TMemoryStream;
class TInstallJournal;

// The nine strings of an executable's version resource (string block 080403A8).
class TOSFileVersionInfo {
public:
    AnsiString ProductName;
    AnsiString ProductVersion;
    AnsiString FileDescription;
    AnsiString LegalCopyright;
    AnsiString FileVersion;
    AnsiString CompanyName;
    AnsiString LegalTradeMarks;
    AnsiString InternalName;
    AnsiString OriginalFileName;
};

// Starts commandLine in folder. The program's path is also passed as the application name, so a
// path with blanks cannot start a different program; False when the process cannot be created.
bool RunProcess(const AnsiString& folder, const AnsiString& commandLine, int showMode);

// The temporary folder with a trailing backslash.
AnsiString GetTempDir();
// Creates a new empty uniquely named file in the temporary folder and answers its path.
AnsiString NewTempFileName(const AnsiString& prefix);

// Null when the file has no version resource; absent strings stay empty.
std::unique_ptr<TOSFileVersionInfo> ReadFileVersionInfo(const AnsiString& fileName);
// FileVersion of the running executable, empty when it has none.
AnsiString GetExeFileVersion();
// The executable's folder with exactly one trailing backslash.
AnsiString GetAppPath();

// A new memory stream holding a copy of the bytes, positioned at 0.
std::unique_ptr<TMemoryStream> BytesToStream(const std::vector<uint8_t>& bytes);
// The whole stream, read from its start.
std::vector<uint8_t> StreamToBytes(TStream& stream);

// Extracts every file of a ZIP archive directly into targetFolder (stored folders are dropped,
// existing files replaced). Entries go to staged files beside their targets first: an entry it
// cannot read or write raises Exception naming it, and no file is replaced; a failed replace puts
// back the files replaced before it. An archive that unpacks to more than 1 GB or than the space
// left is refused, and running out of memory raises EOutOfMemory. With a journal, the files it
// replaces are recorded there before the first is staged (see InstallJournal.h).
bool UnzipAll(const AnsiString& archiveName, const AnsiString& targetFolder,
              TInstallJournal* journal = nullptr);

// "yyyy-MM-dd" or "yyyy/MM/dd" with an optional time, else the user's locale format.
// Raises EConvertError "'%s' is not a valid date and time".
TDateTime ParseDateAuto(const AnsiString& text);

// Appends one CR LF line to ErrorLog.txt beside the executable. Never raises: a log that
// cannot be written must not hide the error being logged.
void AppendErrorLog(const AnsiString& line);

// Copies with the shell's file operation (silent, no confirmations). True on success.
bool ShellCopyFile(const AnsiString& source, const AnsiString& target, HWND owner);
