#include "FinderComments.h"

#include <QStringDecoder>

#include <cerrno>
#include <sys/xattr.h>
#include <vector>

namespace ferrolet {

namespace {

Status CheckItem(const FileRef& item) {
    if (item.IsNull()) {
        return paramErr;
    }
    return item.IsValid() ? noErr : fnfErr;
}

} // namespace

Status MoreFEReadComment(const FileRef& item, QString& comment, bool& hasComment) {
    hasComment = false;
    comment.clear();
    if (const Status st = CheckItem(item); st != noErr) {
        return st;
    }
    // One byte more than allowed tells "too large" apart from "exactly full".
    std::vector<char> value(kMaxCommentBytes + 1);
    const ssize_t n = lgetxattr(item.Path().c_str(), kCommentAttribute, value.data(), value.size());
    if (n < 0) {
        if (errno == ENODATA) {
            return noErr;
        }
        return errno == ERANGE ? E2BIG : LastErrnoStatus();
    }
    if (static_cast<size_t>(n) > kMaxCommentBytes) {
        return E2BIG;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(value.data(), n));
    if (decoder.hasError()) {
        return EILSEQ;
    }
    comment = std::move(text);
    hasComment = true;
    return noErr;
}

Status MoreFEWriteComment(const FileRef& item, const QString& comment) {
    if (const Status st = CheckItem(item); st != noErr) {
        return st;
    }
    const char* path = item.Path().c_str();
    if (comment.isEmpty()) {
        if (lremovexattr(path, kCommentAttribute) != 0 && errno != ENODATA) {
            return LastErrnoStatus();
        }
        return noErr;
    }
    const QByteArray utf8 = comment.toUtf8();
    if (static_cast<size_t>(utf8.size()) > kMaxCommentBytes) {
        return E2BIG;
    }
    if (lsetxattr(path, kCommentAttribute, utf8.constData(), static_cast<size_t>(utf8.size()), 0) !=
        0) {
        return LastErrnoStatus();
    }
    return noErr;
}

} // namespace ferrolet
