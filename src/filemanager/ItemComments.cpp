#include "filemanager/ItemComments.h"

#include <QStringDecoder>

#include <cerrno>
#include <memory>
#include <sys/xattr.h>
#include <vector>

namespace ferrolet {

namespace {

Status CheckItem(const FileRef& item) {
    if (item.IsNull()) {
        return EINVAL;
    }
    return item.IsValid() ? 0 : ENOENT;
}

} // namespace

Status ReadItemComment(const FileRef& item, QString& comment, bool& hasComment, ItemCheck check) {
    hasComment = false;
    comment.clear();
    if (item.IsNull()) {
        return EINVAL;
    }
    if (const Status st = check == ItemCheck::Needed ? CheckItem(item) : 0; st != 0) {
        return st;
    }
    // One byte more than allowed tells "too large" apart from "exactly full".
    // Not zeroed: a move of thousands of items reads as many comments.
    const size_t size = kMaxCommentBytes + 1;
    const std::unique_ptr<char[]> value = std::make_unique_for_overwrite<char[]>(size);
    const ssize_t n = lgetxattr(item.Path().c_str(), kCommentAttribute, value.get(), size);
    if (n < 0) {
        if (errno == ENODATA) {
            return 0;
        }
        return errno == ERANGE ? E2BIG : LastErrnoStatus();
    }
    if (static_cast<size_t>(n) > kMaxCommentBytes) {
        return E2BIG;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(value.get(), n));
    if (decoder.hasError()) {
        return EILSEQ;
    }
    comment = std::move(text);
    hasComment = true;
    return 0;
}

Status WriteItemComment(const FileRef& item, const QString& comment) {
    if (const Status st = CheckItem(item); st != 0) {
        return st;
    }
    const char* path = item.Path().c_str();
    if (comment.isEmpty()) {
        if (lremovexattr(path, kCommentAttribute) != 0 && errno != ENODATA) {
            return LastErrnoStatus();
        }
        return 0;
    }
    const QByteArray utf8 = comment.toUtf8();
    if (static_cast<size_t>(utf8.size()) > kMaxCommentBytes) {
        return E2BIG;
    }
    if (lsetxattr(path, kCommentAttribute, utf8.constData(), static_cast<size_t>(utf8.size()), 0) !=
        0) {
        return LastErrnoStatus();
    }
    return 0;
}

} // namespace ferrolet
