// Durable folder records against real folders: moves nearby, a volume
// mounted elsewhere (a described mount table), reused inode numbers, links,
// and bytes that are not a record.
#include "platform/FolderRecord.h"
#include "TestEnvironment.h"
#include "platform/FolderRecordFormat.h"
#include "platform/MountTable.h"

#include <QtEndian>

#include <cstdio>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace ferrolet;

namespace {

class FolderRecordTest : public ferrolet::test::TempHome {
protected:
    void TearDown() override {
        SetMountTableReader({});
        TempHome::TearDown();
    }

    QByteArray RecordOf(const std::string& path) {
        FileRef ref;
        EXPECT_EQ(FileRef::FromPath(path, ref), 0) << path;
        QByteArray record;
        EXPECT_EQ(MakeFolderRecord(ref, record), 0) << path;
        return record;
    }

    // The resolved path, or "" when the record does not resolve.
    static std::string Resolved(const QByteArray& record, Status* status = nullptr) {
        FileRef ref;
        const Status s = ResolveFolderRecord(record, ref);
        if (status) {
            *status = s;
        }
        return s == 0 ? ref.Path() : std::string();
    }

    void Rename(const std::string& from, const std::string& to) {
        ASSERT_EQ(rename(from.c_str(), to.c_str()), 0) << from << " -> " << to;
    }
};

TEST_F(FolderRecordTest, StoredPathWinsOverAnotherItemAndLinksAreNotFollowed) {
    const std::string a = MakeDir("lib/a");
    const std::string b = MakeDir("lib/b");
    const QByteArray recordA = RecordOf(a);
    const QByteArray recordB = RecordOf(b);

    // a moved into a folder nearby and a link to it left under its name: the
    // link is an item of its own, the folder is found by its identity.
    Rename(a, MakeDir("lib/near") + "/a-real");
    ASSERT_EQ(symlink(Path("lib/near/a-real").c_str(), a.c_str()), 0);
    EXPECT_EQ(Resolved(recordA), Path("lib/near/a-real"));

    // b deleted and a new folder b made in its place (often with the very
    // same inode number): the path decides, and nothing else is taken for b.
    ASSERT_EQ(rmdir(b.c_str()), 0);
    MakeDir("lib/other");
    EXPECT_EQ(Resolved(recordB), "") << "a new folder must not pass for the deleted one";
    MakeDir("lib/b");
    EXPECT_EQ(Resolved(recordB), b);

    // A file where the folder was is not the folder.
    const std::string c = MakeDir("lib/c");
    const QByteArray recordC = RecordOf(c);
    ASSERT_EQ(rmdir(c.c_str()), 0);
    WriteFile("lib/c", "not a folder");
    Status status = 0;
    EXPECT_EQ(Resolved(recordC, &status), "");
    EXPECT_EQ(status, ENOENT);
}

// Bytes that are not a record (junk, cut short, one bit flipped, resealed
// with lengths that lie) and references that cannot make one all fail cleanly.
TEST_F(FolderRecordTest, DamagedRecordsAndStaleReferencesFailCleanly) {
    const QByteArray record = RecordOf(MakeDir("x/folder"));
    const auto refused = [](const QByteArray& bytes) {
        Status status = 0;
        return Resolved(bytes, &status).empty() && status == EINVAL;
    };
    for (const QByteArray& junk : {QByteArray(), QByteArray("dummy"), QByteArray("FLRC"),
                                   QByteArray(64, '\0'), QByteArray(5000, '\xff'), record + "x"}) {
        EXPECT_TRUE(refused(junk)) << junk.left(16).toHex().toStdString();
    }
    for (qsizetype n = 0; n < record.size(); ++n) {
        EXPECT_TRUE(refused(record.left(n))) << "truncated to " << n;
    }
    for (qsizetype bit = 0; bit < record.size() * 8; ++bit) {
        QByteArray flipped = record;
        flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << bit % 8));
        ASSERT_TRUE(refused(flipped)) << bit / 8 << ":" << bit % 8;
    }
    // Records whose checksum is right but whose lengths lie are not believed.
    auto reseal = [](QByteArray bytes) {
        bytes.chop(4);
        const uint32_t crc = qToLittleEndian(
            FolderRecordChecksum(bytes.constData(), static_cast<size_t>(bytes.size())));
        return bytes.append(reinterpret_cast<const char*>(&crc), sizeof crc);
    };
    EXPECT_EQ(Resolved(reseal(record)), Path("x/folder")) << "resealing alone changes nothing";
    FolderRecordFields fields;
    for (const qsizetype offset : {6, 8, 12 + 2}) { // field count, body length, first field length
        for (const char value : {'\x00', '\x7f', '\xff'}) {
            QByteArray bad = record;
            bad[offset] = value;
            bad[offset + 1] = value;
            EXPECT_EQ(DecodeFolderRecord(reseal(bad), fields), EINVAL) << offset;
        }
    }
    // A path that is not absolute, and a mount point that does not hold it.
    for (const auto& [path, mountPoint, decodes] :
         {std::tuple{"relative/path", "", false}, {"/a/b", "/c", false}, {"/a/b", "/a", true}}) {
        fields = {};
        fields.path = path;
        fields.device = 1;
        fields.inode = 2;
        fields.mountPoint = mountPoint;
        fields.mountRoot = *mountPoint ? "/" : "";
        EXPECT_EQ(DecodeFolderRecord(EncodeFolderRecord(fields), fields) == 0, decodes) << path;
    }
    EXPECT_EQ(fields.mountPoint, "/a");

    QByteArray made("left over");
    EXPECT_EQ(MakeFolderRecord(FileRef(), made), EINVAL);
    EXPECT_TRUE(made.isEmpty());
    const FileRef gone = Ref(MakeDir("gone"));
    ASSERT_EQ(rmdir(gone.Path().c_str()), 0);
    EXPECT_NE(MakeFolderRecord(gone, made), 0);
}

TEST_F(FolderRecordTest, MountTableParsingDecodesEscapesAndFindsTheHoldingMount) {
    const std::vector<MountEntry> table =
        ParseMountInfo("22 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                       "garbage line\n"
                       "23 22 8:2 /sub /media/My\\040Disk rw - ext4 /dev/sda2 rw\n"
                       "24 22 8:2 / /mnt rw - ext4 /dev/sda2 rw");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[1].root, "/sub");
    EXPECT_EQ(table[1].mountPoint, "/media/My Disk");
    const MountEntry* m = FindMountFor(table, table[1].device, "/media/My Disk/x");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->mountPoint, "/media/My Disk");
    EXPECT_EQ(FindMountFor(table, table[1].device, "/media/My Diskette"), nullptr);
    EXPECT_EQ(FindMountFor(table, table[0].device, "/mnt/x")->mountPoint, "/");
}

// The volume is described by an injected mount table: it is "mounted" at one
// folder when the record is made and at a far-away folder (beyond the reach of
// the nearby search) when it is resolved.
TEST_F(FolderRecordTest, VolumeMountedElsewhereIsFoundByItsUuid) {
    const std::string oldMount = MakeDir("m/a/b/c/vol");
    const std::string folder = MakeDir("m/a/b/c/vol/inner/folder");
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    const dev_t device = st.st_dev;
    const auto mounted = [](std::vector<MountEntry> table) {
        SetMountTableReader([table] { return table; });
    };
    mounted({{device, "/", oldMount, "0F1E-UUID"}});
    const QByteArray record = RecordOf(folder);

    MakeDir("n/p/q/r");
    const std::string newMount = Path("n/p/q/r/vol2");
    Rename(oldMount, newMount);
    // Another volume id at the new place: not ours.
    mounted({{device, "/", "/", ""}, {99, "/", newMount, "OTHER"}});
    EXPECT_EQ(Resolved(record), "");
    // Our UUID, even under another device number (as after a reboot).
    mounted({{99, "/", newMount, "0F1E-UUID"}});
    EXPECT_EQ(Resolved(record), newMount + "/inner/folder");
    // Only the volume's folder "inner" mounted (a bind mount of a subfolder).
    mounted({{99, "/inner", newMount + "/inner", "0F1E-UUID"}});
    EXPECT_EQ(Resolved(record), newMount + "/inner/folder");
    // Renamed on the moved volume as well: searched for around its new place.
    Rename(newMount + "/inner/folder", newMount + "/inner/folder2");
    EXPECT_EQ(Resolved(record), newMount + "/inner/folder2");
}

} // namespace
