#include "CrashVfs.h"

#include <QFile>

#include <sqlite3.h>

#include <cstring>

namespace {

constexpr qint64 kTornAt = 512;

void apply(std::optional<QByteArray>& image, qint64 offset, const QByteArray& data)
{
    if (!image)
        return;
    if (image->size() < offset + data.size())
        image->resize(offset + data.size(), '\0');
    std::memcpy(image->data() + offset, data.constData(), static_cast<std::size_t>(data.size()));
}

} // namespace

// The engine's file object: ours first, the default layer's right after it.
struct CrashVfs::File {
    sqlite3_file base;
    CrashVfs* vfs;
    const std::string* path; // null for a temporary file, which no power cut can harm
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

struct CrashVfs::Io {
    static File* of(sqlite3_file* file) { return reinterpret_cast<File*>(file); }
    static CrashVfs* of(sqlite3_vfs* vfs) { return static_cast<CrashVfs*>(vfs->pAppData); }

    static int close(sqlite3_file* file)
    {
        sqlite3_file* real = of(file)->real();
        return real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    }
    static int read(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
    {
        File* f = of(file);
        if (f->vfs->m_off)
            return SQLITE_IOERR_READ;
        return f->real()->pMethods->xRead(f->real(), buffer, amount, offset);
    }
    static int write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset)
    {
        File* f = of(file);
        if (!f->vfs->pass())
            return SQLITE_IOERR_WRITE;
        if (f->path)
            f->vfs->m_disks[*f->path].unsynced.push_back(
                {Change::Write, offset, QByteArray(static_cast<const char*>(data), amount)});
        return f->real()->pMethods->xWrite(f->real(), data, amount, offset);
    }
    static int truncate(sqlite3_file* file, sqlite3_int64 size)
    {
        File* f = of(file);
        if (!f->vfs->pass())
            return SQLITE_IOERR_TRUNCATE;
        if (f->path)
            f->vfs->m_disks[*f->path].unsynced.push_back({Change::Truncate, size, {}});
        return f->real()->pMethods->xTruncate(f->real(), size);
    }
    static int sync(sqlite3_file* file, int)
    {
        // The file as it is now becomes what the disk holds; the real sync would only cost time.
        File* f = of(file);
        if (!f->vfs->pass())
            return SQLITE_IOERR_FSYNC;
        if (f->path)
            f->vfs->sync(*f->path);
        return SQLITE_OK;
    }
    static int fileSize(sqlite3_file* file, sqlite3_int64* size)
    {
        File* f = of(file);
        if (f->vfs->m_off)
            return SQLITE_IOERR_FSTAT;
        return f->real()->pMethods->xFileSize(f->real(), size);
    }
    static int lock(sqlite3_file* file, int level)
    {
        File* f = of(file);
        if (f->vfs->m_off)
            return SQLITE_IOERR_LOCK;
        return f->real()->pMethods->xLock(f->real(), level);
    }
    static int unlock(sqlite3_file* file, int level)
    {
        File* f = of(file);
        if (f->vfs->m_off)
            return SQLITE_IOERR_UNLOCK;
        return f->real()->pMethods->xUnlock(f->real(), level);
    }
    static int checkReservedLock(sqlite3_file* file, int* reserved)
    {
        File* f = of(file);
        if (f->vfs->m_off)
            return SQLITE_IOERR_CHECKRESERVEDLOCK;
        return f->real()->pMethods->xCheckReservedLock(f->real(), reserved);
    }
    static int fileControl(sqlite3_file* file, int op, void* arg)
    {
        return of(file)->real()->pMethods->xFileControl(of(file)->real(), op, arg);
    }
    static int sectorSize(sqlite3_file* file)
    {
        return of(file)->real()->pMethods->xSectorSize(of(file)->real());
    }
    static int deviceCharacteristics(sqlite3_file* file)
    {
        return of(file)->real()->pMethods->xDeviceCharacteristics(of(file)->real());
    }

    static constexpr sqlite3_io_methods kMethods = {1,
                                                    close,
                                                    read,
                                                    write,
                                                    truncate,
                                                    sync,
                                                    fileSize,
                                                    lock,
                                                    unlock,
                                                    checkReservedLock,
                                                    fileControl,
                                                    sectorSize,
                                                    deviceCharacteristics,
                                                    nullptr,
                                                    nullptr,
                                                    nullptr,
                                                    nullptr,
                                                    nullptr,
                                                    nullptr};

    static int open(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags,
                    int* outFlags)
    {
        CrashVfs* self = of(vfs);
        File* f = of(file);
        f->base.pMethods = nullptr;
        f->vfs = self;
        f->path = nullptr;
        f->real()->pMethods = nullptr;
        if (self->m_off)
            return SQLITE_CANTOPEN;
        const bool existed = name && QFile::exists(QString::fromUtf8(name));
        if (name)
            f->path = &self->disk(name).first;
        const int rc = self->m_default->xOpen(self->m_default, name, f->real(), flags, outFlags);
        if (rc != SQLITE_OK)
            return rc;
        if (f->path && !existed)
            self->m_disks[*f->path].unsynced.push_back({Change::Create, 0, {}});
        f->base.pMethods = &kMethods;
        return SQLITE_OK;
    }
    static int remove(sqlite3_vfs* vfs, const char* name, int syncFolder)
    {
        CrashVfs* self = of(vfs);
        if (!self->pass())
            return SQLITE_IOERR_DELETE;
        Disk& disk = self->disk(name).second;
        if (syncFolder) {
            disk.synced.reset();
            disk.unsynced.clear();
        } else {
            disk.unsynced.push_back({Change::Delete, 0, {}});
        }
        return self->m_default->xDelete(self->m_default, name, syncFolder);
    }
    static int access(sqlite3_vfs* vfs, const char* name, int flags, int* result)
    {
        CrashVfs* self = of(vfs);
        if (self->m_off)
            return SQLITE_IOERR_ACCESS;
        return self->m_default->xAccess(self->m_default, name, flags, result);
    }
    static int fullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out)
    {
        return of(vfs)->m_default->xFullPathname(of(vfs)->m_default, name, size, out);
    }
    static int randomness(sqlite3_vfs* vfs, int size, char* out)
    {
        return of(vfs)->m_default->xRandomness(of(vfs)->m_default, size, out);
    }
    static int sleep(sqlite3_vfs* vfs, int microseconds)
    {
        return of(vfs)->m_default->xSleep(of(vfs)->m_default, microseconds);
    }
    static int currentTime(sqlite3_vfs* vfs, double* now)
    {
        return of(vfs)->m_default->xCurrentTime(of(vfs)->m_default, now);
    }
    static int lastError(sqlite3_vfs* vfs, int size, char* out)
    {
        return of(vfs)->m_default->xGetLastError(of(vfs)->m_default, size, out);
    }
    static int currentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* now)
    {
        return of(vfs)->m_default->xCurrentTimeInt64(of(vfs)->m_default, now);
    }
};

CrashVfs::CrashVfs()
    : m_default(sqlite3_vfs_find(nullptr))
    , m_vfs(std::make_unique<sqlite3_vfs>())
{
    *m_vfs = {};
    m_vfs->iVersion = 2;
    m_vfs->szOsFile = static_cast<int>(sizeof(File)) + m_default->szOsFile;
    m_vfs->mxPathname = m_default->mxPathname;
    m_vfs->zName = "crash";
    m_vfs->pAppData = this;
    m_vfs->xOpen = Io::open;
    m_vfs->xDelete = Io::remove;
    m_vfs->xAccess = Io::access;
    m_vfs->xFullPathname = Io::fullPathname;
    m_vfs->xRandomness = Io::randomness;
    m_vfs->xSleep = Io::sleep;
    m_vfs->xCurrentTime = Io::currentTime;
    m_vfs->xGetLastError = Io::lastError;
    m_vfs->xCurrentTimeInt64 = Io::currentTimeInt64;
    sqlite3_vfs_register(m_vfs.get(), 0);
}

CrashVfs::~CrashVfs()
{
    sqlite3_vfs_register(m_default, 1);
    sqlite3_vfs_unregister(m_vfs.get());
}

void CrashVfs::arm(int cutAt, quint32 seed)
{
    m_disks.clear();
    m_points = 0;
    m_cutAt = cutAt;
    m_off = false;
    m_random.seed(seed);
    sqlite3_vfs_register(m_vfs.get(), 1);
}

int CrashVfs::disarm()
{
    if (!m_off)
        cutPower();
    sqlite3_vfs_register(m_default, 1);
    m_disks.clear();
    return m_points;
}

bool CrashVfs::pass()
{
    if (m_off)
        return false;
    if (++m_points == m_cutAt) {
        cutPower();
        return false;
    }
    return true;
}

std::pair<const std::string, CrashVfs::Disk>& CrashVfs::disk(const std::string& path)
{
    auto found = m_disks.find(path);
    if (found == m_disks.end()) {
        // What the disk holds when the layer first meets the file.
        QFile file(QString::fromStdString(path));
        Disk disk;
        if (file.open(QIODevice::ReadOnly))
            disk.synced = file.readAll();
        found = m_disks.emplace(path, std::move(disk)).first;
    }
    return *found;
}

void CrashVfs::sync(const std::string& path)
{
    Disk& disk = m_disks[path];
    QFile file(QString::fromStdString(path));
    disk.synced = file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
    disk.unsynced.clear();
}

void CrashVfs::cutPower()
{
    m_off = true;
    for (auto& [path, disk] : m_disks) {
        std::optional<QByteArray> image = disk.synced;
        for (const Change& change : disk.unsynced) {
            const int choice = m_random.bounded(change.kind == Change::Write ? 3 : 2);
            if (choice == 1)
                continue; // dropped
            switch (change.kind) {
            case Change::Create:
                if (!image)
                    image.emplace();
                break;
            case Change::Delete:
                image.reset();
                break;
            case Change::Truncate:
                if (image)
                    image->resize(change.offset, '\0');
                break;
            case Change::Write: {
                qsizetype kept = change.data.size();
                if (choice == 2) {
                    // Torn: the sectors up to a boundary inside the write reached the disk.
                    const qint64 first = (change.offset / kTornAt + 1) * kTornAt;
                    const qint64 end = change.offset + change.data.size();
                    kept =
                        first < end
                            ? first +
                                  kTornAt * m_random.bounded(int((end - first - 1) / kTornAt + 1)) -
                                  change.offset
                            : 0;
                }
                apply(image, change.offset, change.data.left(kept));
                break;
            }
            }
        }
        QFile file(QString::fromStdString(path));
        if (!image)
            file.remove();
        else if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(*image);
    }
}
