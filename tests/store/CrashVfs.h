#pragma once

#include <QByteArray>
#include <QRandomGenerator>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3_vfs;

// A file layer over SQLite's default one that can cut the power. While armed it is the
// default layer, so the program's own connections use it unchanged. It numbers every write,
// truncation, sync and deletion, and remembers per file what is on the disk for sure (as of
// its last sync) and what has happened since. At the chosen point the power goes: each
// unsynced change is kept, dropped or, for a write, torn at a 512-byte boundary, by a seeded
// random choice; the files are left so, and every later call fails. A deletion counts as
// synced only when the engine asks for the folder to be synced with it.
class CrashVfs {
public:
    CrashVfs();
    ~CrashVfs();
    CrashVfs(const CrashVfs&) = delete;
    CrashVfs& operator=(const CrashVfs&) = delete;

    // Cuts the power at point cutAt (from 1; 0 never).
    void arm(int cutAt, quint32 seed);
    // Cuts the power now unless it went already, then restores the default layer. Returns the
    // number of points passed.
    int disarm();

private:
    struct Change {
        enum Kind { Create, Write, Truncate, Delete } kind;
        qint64 offset; // of a write; the new size for a truncation
        QByteArray data;
    };
    struct Disk {
        std::optional<QByteArray> synced; // absent: no such file
        std::vector<Change> unsynced;
    };
    struct File;
    struct Io;

    // Counts a point; false when the power is (now) off.
    bool pass();
    void cutPower();
    // The file's record, begun with what the disk holds when the layer first meets it.
    std::pair<const std::string, Disk>& disk(const std::string& path);
    void sync(const std::string& path);

    sqlite3_vfs* m_default;
    std::unique_ptr<sqlite3_vfs> m_vfs;
    std::map<std::string, Disk> m_disks;
    int m_points = 0;
    int m_cutAt = 0;
    bool m_off = false;
    QRandomGenerator m_random;
};
