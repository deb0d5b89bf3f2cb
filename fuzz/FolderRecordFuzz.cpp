// Feeds arbitrary bytes to the folder-record reader. Most inputs fail the
// checksum at once, so each input is also tried re-sealed with a correct
// checksum, which lets the fuzzer reach the field parser behind it.
#include "platform/FolderRecord.h"
#include "platform/FolderRecordFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    ferrolet::FileRef ref;
    ferrolet::ResolveFolderRecord(bytes, ref);

    if (size >= 4) {
        QByteArray sealed = bytes;
        const uint32_t crc =
            ferrolet::FolderRecordChecksum(sealed.constData(), static_cast<size_t>(size - 4));
        for (int i = 0; i < 4; ++i) {
            sealed[static_cast<qsizetype>(size) - 4 + i] =
                static_cast<char>((crc >> (8 * i)) & 0xFF);
        }
        // Only parsed: a sound record would send the resolver through the file system.
        ferrolet::FolderRecordFields fields;
        if (ferrolet::DecodeFolderRecord(sealed, fields) == 0) {
            // What a sound record promises its readers.
            if (fields.path.empty() || fields.path[0] != '/' ||
                fields.path.size() > ferrolet::kFolderRecordMaxPath ||
                static_cast<size_t>(fields.handleBytes.size()) > ferrolet::kFolderRecordMaxHandle) {
                __builtin_trap();
            }
            // Encoding what was read and reading it again gives the same fields.
            ferrolet::FolderRecordFields again;
            if (ferrolet::DecodeFolderRecord(ferrolet::EncodeFolderRecord(fields), again) != 0 ||
                again.path != fields.path || again.inode != fields.inode ||
                again.device != fields.device || again.handleBytes != fields.handleBytes) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
