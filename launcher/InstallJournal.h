#pragma once
// The install journal: the files an install is about to replace, written whole beside the
// application's files before anything is staged or renamed, and removed once the new files stand.
// A launcher killed in between (power cut, ended by the user, a crash) leaves it behind, and the
// next start puts the old files back before it opens the database.
#include <functional>
#include <vector>

#include "platform/core/Strings.h"

// Beside each target: the new file until it is renamed in, and the old one while it is aside.
constexpr const char* StagedSuffix = ".vzstage";
constexpr const char* BackupSuffix = ".vzold";
constexpr const char* JournalFileName = "Vendrol.vzjournal";

class TInstallJournal {
public:
    // folder: where the journal lives (the application folder, with its trailing backslash);
    // module: what is installed, for the error log.
    TInstallJournal(const AnsiString& folder, const AnsiString& module);
    ~TInstallJournal();
    TInstallJournal(const TInstallJournal&) = delete;
    TInstallJournal& operator=(const TInstallJournal&) = delete;

    // Clears the staged and backup names of every target left from an earlier run, notes which
    // targets exist, then writes the journal and flushes it. Raises Exception when a leftover
    // cannot go or the journal cannot be written; nothing has been replaced then.
    void Write(const std::vector<AnsiString>& targets);
    // Removes the journal: from here on the new files stand. False when it cannot be removed.
    bool Remove();

private:
    AnsiString fileName_;
    AnsiString module_;
    bool written_ = false;
};

// The start's repair, before the database is opened: a journal left behind is settled (each
// backup moved over its target, the database first; staged files deleted; a target that had none
// before removed) and a line written to the error log; then staged and backup files left without
// a journal are removed where their target exists, in folder and its "Template\". Never raises.
void SettleInterruptedInstall(const AnsiString& folder);

// Renames of an install: within one folder, replacing nothing, written through.
bool MoveInstallFile(const AnsiString& from, const AnsiString& to, bool replace = false);
// Deletes a staged or backup file, read-only or not; true when it is gone.
bool DeleteInstallFile(const AnsiString& fileName);

// Called by the installers at each instant between two of their file steps, with its name; a
// test sets a seam there to end the step as a kill would. Nothing runs when none is set.
void InstallInstant(const char* name);
void SetInstallInstantSeam(std::function<void(const char*)> seam);
