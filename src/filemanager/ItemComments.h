#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

#include <QString>

namespace ferrolet {

// An item's comment lives in the extended attribute "user.xdg.comment"
// (UTF-8), the freedesktop convention that Dolphin shows and GIO reads.
inline constexpr const char* kCommentAttribute = "user.xdg.comment";
// Larger values are not comments anyone typed; they are refused, not read.
inline constexpr size_t kMaxCommentBytes = 64 * 1024;

// Reads the item's comment. No attribute means no comment: status 0 with
// hasComment false (symbolic links carry none). A value that is not UTF-8 or
// is over kMaxCommentBytes gives EILSEQ or E2BIG; a file system without user
// attributes gives ENOTSUP; an invalid reference gives EINVAL or ENOENT. In every
// failing case hasComment is false.
// With ItemCheck::Done the caller has just checked that the reference still
// designates its item, and that one look stands for this one.
enum class ItemCheck { Needed, Done };
Status ReadItemComment(const FileRef& item, QString& comment, bool& hasComment,
                       ItemCheck check = ItemCheck::Needed);

// Sets the item's comment; an empty comment removes the attribute. Never
// follows a symbolic link: a link cannot carry a comment and fails (EPERM).
// A file system without user attributes, or a comment over its limit, fails
// with the system's errno (ENOTSUP, E2BIG, ENOSPC).
Status WriteItemComment(const FileRef& item, const QString& comment);

} // namespace ferrolet
