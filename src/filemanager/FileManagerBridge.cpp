#include "filemanager/FileManagerBridge.h"

#include "platform/PathHelpers.h"
#include "util/DetachedProcess.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <set>

namespace ferrolet {

namespace {

FallbackLauncher& Launcher() {
    static FallbackLauncher launcher;
    return launcher;
}

void Launch(const QString& program, const QStringList& args) {
    if (Launcher()) {
        Launcher()(program, args);
        return;
    }
    StartDetached(program, args);
}

// What a file manager would have shown, opened by the desktop's default
// folder handler: one xdg-open per distinct folder.
void OpenWithXdgOpen(const std::vector<std::string>& folders) {
    std::set<std::string> opened;
    for (const std::string& folder : folders) {
        if (!folder.empty() && opened.insert(folder).second) {
            Launch(QStringLiteral("xdg-open"),
                   {QFile::decodeName(QByteArray::fromStdString(folder))});
        }
    }
}

bool HaveApplication() {
    return QCoreApplication::instance() != nullptr;
}

// Calls sent whose reply has not come back yet, and the loop that waits for
// them at exit (AwaitFileManagerReplies); main thread only.
int g_unanswered = 0;
QEventLoop* g_awaiting = nullptr;

void Answered() {
    if (--g_unanswered == 0 && g_awaiting) {
        g_awaiting->quit();
    }
}

// The URIs of paths as the call's "as" argument, written into it one by one:
// a list of Qt strings first would hold every URI twice more (in UTF-16, then
// again in the message) in a reveal of 100,000 items.
QDBusArgument UriArray(const std::vector<std::string>& paths) {
    QDBusArgument uris;
    uris.beginArray(QMetaType::fromType<QString>());
    for (const std::string& path : paths) {
        uris << FileUriFromPath(path);
    }
    uris.endArray();
    return uris;
}

// The process that owns the file manager's name now, by its unique bus
// name; empty when none does yet (the bus may start one for the call) or
// the bus cannot be asked. Looked up once per reveal.
QString FileManagerOwner(const QDBusConnection& bus) {
    if (!HaveApplication() || !bus.isConnected() || !bus.interface()) {
        return {};
    }
    const QDBusReply<QString> owner =
        bus.interface()->serviceOwner(QString::fromLatin1(kFileManagerService));
    return owner.isValid() ? owner.value() : QString();
}

// Thunar opens a window for every item a ShowItems call names, however
// many share a folder (20 moved files were 20 windows), so it is sent the
// first item of each folder only. Thunar owns its own name besides the
// freedesktop one; a file manager the bus has yet to start (no owner) may
// turn out to be Thunar, so it is treated the same. Other file managers
// select every item in one window per folder.
bool OpensAWindowPerItem(const QDBusConnection& bus, const QString& owner) {
    if (owner.isEmpty()) {
        return true;
    }
    const QDBusReply<QString> thunar =
        bus.interface()->serviceOwner(QStringLiteral("org.xfce.FileManager"));
    return thunar.isValid() && thunar.value() == owner;
}

// Sends method with paths to the file manager that owner names (empty: one
// the bus has yet to start), or opens fallbackFolders without one.
void Send(const QString& method, const std::vector<std::string>& paths,
          const std::vector<std::string>& fallbackFolders, const QDBusConnection& bus,
          const QString& owner) {
    if (paths.empty()) {
        return;
    }
    if (!HaveApplication() || !bus.isConnected()) {
        OpenWithXdgOpen(fallbackFolders);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kFileManagerService), QString::fromLatin1(kFileManagerPath),
        QString::fromLatin1(kFileManagerInterface), method);
    call << QVariant::fromValue(UriArray(paths)) << QString();
    // A file manager that runs already answers for itself; one the bus has
    // yet to start may fail to start, and then the fallback must still be
    // started: only that answer is worth waiting for at exit.
    const bool awaited = owner.isEmpty();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    g_unanswered += awaited ? 1 : 0;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [fallbackFolders, awaited](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             OpenWithXdgOpen(fallbackFolders);
                         }
                         finished->deleteLater();
                         if (awaited) {
                             Answered();
                         }
                     });
}

} // namespace

Status FindFileManager() {
    if (!HaveApplication()) {
        return ESRCH;
    }
    return FindFileManager(QDBusConnection::sessionBus());
}

Status FindFileManager(const QDBusConnection& bus) {
    if (!bus.isConnected() || !bus.interface()) {
        return ESRCH;
    }
    const QString name = QString::fromLatin1(kFileManagerService);
    const QDBusReply<bool> owned = bus.interface()->isServiceRegistered(name);
    if (owned.isValid() && owned.value()) {
        return 0;
    }
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    if (activatable.isValid() && activatable.value().contains(name)) {
        return 0;
    }
    return ESRCH;
}

void ShowItems(const std::vector<std::string>& paths) {
    if (!HaveApplication()) {
        ShowItems(paths, QDBusConnection(QString()));
        return;
    }
    ShowItems(paths, QDBusConnection::sessionBus());
}

void ShowItems(const std::vector<std::string>& paths, const QDBusConnection& bus) {
    const QString owner = FileManagerOwner(bus);
    const bool windowPerItem = OpensAWindowPerItem(bus, owner);
    // The fallback opens each parent folder once: the distinct ones, in
    // order, are all it keeps (usually one, however many items).
    std::vector<std::string> parents;
    std::vector<std::string> firstInEach;
    std::set<std::string> seen;
    for (const std::string& path : paths) {
        std::string parent = ParentOfPath(path);
        if (seen.insert(parent).second) {
            parents.push_back(std::move(parent));
            if (windowPerItem) {
                firstInEach.push_back(path);
            }
        }
    }
    Send(QStringLiteral("ShowItems"), windowPerItem ? firstInEach : paths, parents, bus, owner);
}

void ShowFolders(const std::vector<std::string>& paths) {
    if (!HaveApplication()) {
        ShowFolders(paths, QDBusConnection(QString()));
        return;
    }
    ShowFolders(paths, QDBusConnection::sessionBus());
}

void ShowFolders(const std::vector<std::string>& paths, const QDBusConnection& bus) {
    Send(QStringLiteral("ShowFolders"), paths, paths, bus, FileManagerOwner(bus));
}

void AwaitFileManagerReplies(std::chrono::milliseconds limit) {
    if (g_unanswered == 0 || !HaveApplication()) {
        return;
    }
    QEventLoop loop;
    g_awaiting = &loop;
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    g_awaiting = nullptr;
}

QString FileUriFromPath(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    QString uri = QStringLiteral("file://");
    uri.reserve(static_cast<qsizetype>(path.size()) + 16);
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           c == '/';
        if (plain) {
            uri += QLatin1Char(static_cast<char>(c));
        } else {
            uri += QLatin1Char('%');
            uri += QLatin1Char(hex[c >> 4]);
            uri += QLatin1Char(hex[c & 0xF]);
        }
    }
    return uri;
}

void SetFileManagerFallbackLauncher(FallbackLauncher launcher) {
    Launcher() = std::move(launcher);
}

} // namespace ferrolet
