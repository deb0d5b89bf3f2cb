#include "ThunarMenus.h"

#include "CommandLineQuoting.h"
#include "MenuFiles.h"

#include <QXmlStreamReader>

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

namespace ferrolet {

namespace {

constexpr const char* kFileName = "uca.xml";

QString ThunarAction(const ContextMenuModel& model, const ContextMenuEntry& entry) {
    const QString title = XmlText(entry.FlatTitle());
    const QString command =
        QStringLiteral("%1 --command %2 -- %F")
            .arg(ShellArgument(QString::fromStdString(model.program)), QString::number(entry.tag));
    return QStringLiteral(
               "<action>\n\t<icon>%1</icon>\n\t<name>%2</name>\n"
               "\t<submenu>Ferrolet</submenu>\n\t<unique-id>ferrolet-dest-%3</unique-id>\n"
               "\t<command>%4</command>\n\t<description>Ferrolet: %2</description>\n"
               "\t<patterns>*</patterns>\n\t<directories/>\n\t<audio-files/>\n"
               "\t<image-files/>\n\t<other-files/>\n\t<text-files/>\n"
               "\t<video-files/>\n</action>\n")
        .arg(XmlText(entry.icon), title, entry.id, XmlText(command));
}

// Where our block is: [begin, end) of the text; false when it has none.
bool FindBlock(const std::string& text, size_t& begin, size_t& end) {
    begin = text.find(ThunarMenus::kBeginMarker);
    if (begin == std::string::npos) {
        return false;
    }
    const size_t endMarker = text.find(ThunarMenus::kEndMarker, begin);
    if (endMarker == std::string::npos) {
        return false;
    }
    end = endMarker + std::char_traits<char>::length(ThunarMenus::kEndMarker);
    return true;
}

constexpr const char* kOurId = "<unique-id>ferrolet-dest-";

// Thunar writes uca.xml anew from its own list when the user edits actions
// there, which drops comments: our actions then stand unmarked, known by
// their ids. Takes each out with its line. True when there was one.
bool StripUnmarkedActions(std::string& text) {
    bool stripped = false;
    size_t pos = 0;
    while ((pos = text.find(kOurId, pos)) != std::string::npos) {
        size_t open = text.rfind("<action>", pos);
        size_t close = text.find("</action>", pos);
        if (open == std::string::npos || close == std::string::npos) {
            break;
        }
        close += std::char_traits<char>::length("</action>");
        while (open > 0 && (text[open - 1] == ' ' || text[open - 1] == '\t')) {
            --open;
        }
        if (close < text.size() && text[close] == '\n') {
            ++close;
        }
        text.erase(open, close - open);
        pos = open;
        stripped = true;
    }
    return stripped;
}

} // namespace

std::string ThunarActionBlock(const ContextMenuModel& model) {
    QString block = QString::fromLatin1(ThunarMenus::kBeginMarker) + QLatin1Char('\n');
    for (const ContextMenuEntry& entry : model.entries) {
        block += ThunarAction(model, entry);
    }
    return (block + QString::fromLatin1(ThunarMenus::kEndMarker)).toStdString();
}

bool IsActionsDocument(const std::string& text) {
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    bool rootSeen = false;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && !rootSeen) {
            rootSeen = true;
            if (xml.name() != QLatin1String("actions")) {
                return false;
            }
        }
    }
    return rootSeen && !xml.hasError();
}

void ThunarMenus::Locate(std::string& folder, std::string& name) const {
    folder = m_folder;
    name = kFileName;
    const std::string path = m_folder + "/" + kFileName;
    struct stat st {};
    char real[PATH_MAX + 1];
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && realpath(path.c_str(), real)) {
        const std::string target = real;
        const size_t slash = target.rfind('/');
        folder = slash == 0 ? "/" : target.substr(0, slash);
        name = target.substr(slash + 1);
    }
}

bool ThunarMenus::Installed() const {
    std::string folder, name;
    Locate(folder, name);
    const std::optional<std::string> text = ReadWholeFile(folder + "/" + name);
    size_t begin = 0, end = 0;
    return text && (FindBlock(*text, begin, end) || text->find(kOurId) != std::string::npos);
}

Status ThunarMenus::Store(const std::string& content) {
    std::string folder, name;
    Locate(folder, name);
    struct stat st {};
    const mode_t mode = stat((folder + "/" + name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0644;
    return ReplaceFile(folder, name, content, mode);
}

Status ThunarMenus::Write(const ContextMenuModel& model) {
    std::string folder, name;
    Locate(folder, name);
    const std::string block = ThunarActionBlock(model);
    const std::optional<std::string> old = ReadWholeFile(folder + "/" + name);
    if (!old) {
        if (const Status status = MakeFolders(folder, 0755)) {
            return status;
        }
        return Store("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + block +
                     "\n</actions>\n");
    }
    if (!IsActionsDocument(*old)) {
        return EBADMSG;
    }
    std::string text = *old;
    size_t begin = 0, end = 0;
    if (FindBlock(text, begin, end)) {
        text.replace(begin, end - begin, block);
    } else {
        StripUnmarkedActions(text);
        const size_t close = text.rfind("</actions>");
        if (close == std::string::npos) {
            return EBADMSG; // "<actions/>": no place to put ours without rewriting theirs
        }
        text.insert(close, block + "\n");
    }
    return IsActionsDocument(text) ? Store(text) : EBADMSG;
}

Status ThunarMenus::Remove() {
    std::string folder, name;
    Locate(folder, name);
    const std::optional<std::string> old = ReadWholeFile(folder + "/" + name);
    if (!old || !IsActionsDocument(*old)) {
        return old && old->find(kOurId) != std::string::npos ? EBADMSG : 0;
    }
    std::string text = *old;
    size_t begin = 0, end = 0;
    if (FindBlock(text, begin, end)) {
        if (end < text.size() && text[end] == '\n') {
            ++end; // the line break we added after the block
        }
        text.erase(begin, end - begin);
    } else if (!StripUnmarkedActions(text)) {
        return 0;
    }
    return Store(text);
}

} // namespace ferrolet
