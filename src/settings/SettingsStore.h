#pragma once

#include <QString>
#include <QVariant>

#include <map>
#include <string>
#include <sys/types.h>

namespace ferrolet {

inline constexpr const char* kSettingsDomain = "com.quorvane.Ferrolet";

// The application's settings domain, kept as an XML property list at
// $XDG_CONFIG_HOME/com.quorvane.Ferrolet.plist.
//
// Synchronize() takes in other writers' changes (re-reading the file only when
// it changed) and writes this process's pending changes: under a lock it
// merges them key by key into what is on disk, writes a temporary file in the
// same folder, flushes it and renames it over. A file that cannot be parsed
// reads as empty, is logged once, and is renamed aside with a ".corrupt"
// suffix before anything replaces it.
//
// A settings file that is a symbolic link is read through the link, and a
// save replaces the file it leads to (in that file's folder, locked beside
// it, so a process writing through the link and one writing the file itself
// take the same lock); a link that leads nowhere yet gets its file made
// where it points. A path holding a folder, a FIFO or a device is never
// opened: it is logged once, defaults apply and nothing is written over it.
class SettingsStore {
public:
    explicit SettingsStore(std::string filePath = DefaultFilePath());

    static std::string DefaultFilePath();
    const std::string& FilePath() const { return m_filePath; }

    // The value as last synchronised (plus this
    // process's pending changes); an invalid QVariant when absent.
    QVariant Value(const QString& key) const;
    // Sets a pending change; an invalid QVariant removes the key.
    void SetAppValue(const QString& key, const QVariant& value);
    // Takes in other writers' changes and writes the pending ones; false when pending changes could
    // not be written (they stay pending and are written by the next call).
    bool Synchronize();

    QStringList Keys() const;

    // While a look is held (SettingsLook.h), Synchronize looks at the file
    // only the first time and then trusts what it found until the look ends;
    // looks nest.
    void BeginLook();
    void EndLook();

private:
    struct Stamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long mtimeNs = 0;
        long long ctimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    enum class ReadResult {
        Read,       // the file's values, or none when there is no file
        Unreadable, // a regular file that is not a property-list dictionary
        Refused,    // not a regular file: never opened, never replaced
    };

    Stamp CurrentStamp() const;
    // Reads the file (through its links); empty values unless Read.
    ReadResult ReadFile(QVariantMap& values, Stamp& stamp) const;
    // ReadFile, once more after a short pause when the file cannot be
    // parsed: a program that rewrites it in place leaves it half written
    // for a moment, and that moment must not read as "no settings".
    ReadResult ReadSettledFile(QVariantMap& values, Stamp& stamp) const;
    bool WriteMerged();
    void KeepCorruptFileAside(const std::string& filePath);
    // Logs the reason defaults apply, once per kind of trouble.
    void ReportReadTrouble(ReadResult result);

    std::string m_filePath;
    QVariantMap m_values;
    std::map<QString, QVariant> m_pending;
    Stamp m_stamp;
    bool m_loaded = false;
    bool m_corruptOnDisk = false;
    bool m_reportedCorrupt = false;
    bool m_reportedRefused = false;
    bool m_reportedWriteFailure = false;
    int m_looks = 0;
    bool m_lookTaken = false;
};

} // namespace ferrolet
