#include "desktop/DesktopPlatform.h"
#include "util/DetachedProcess.h"

#include "desktop/ThemeSound.h"
#include "filemanager/FileManagerBridge.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>

#include <canberra.h>
#include <sys/stat.h>
#include <thread>

#ifdef FERROLET_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace ferrolet {

namespace {

// The X server's bell over a connection of our own, opened only when a bell
// is due: this layer stays free of Qt's window system (the GUI layer sets
// a bell that uses its application's connection).
void RingX11Bell() {
#ifdef FERROLET_HAVE_X11
    if (Display* display = XOpenDisplay(nullptr)) {
        XBell(display, 0);
        XCloseDisplay(display); // flushes the request
    }
#endif
}

// libcanberra's ids of the two kinds of sound, so each can be waited for.
constexpr uint32_t kBellId = 0;
constexpr uint32_t kSoundId = 1;

// Messages sent without a reply (notifications) are queued on the
// connection; a call answered by the bus itself comes back only after
// everything sent before it was delivered, so a process may end then.
void FlushSessionBus(std::chrono::milliseconds limit) {
    if (!QCoreApplication::instance()) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId"));
    bus.call(call, QDBus::Block, static_cast<int>(limit.count()));
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

DesktopPlatform::DesktopPlatform() : m_displayBell(RingX11Bell) {}

DesktopPlatform::~DesktopPlatform() {
    if (m_sounds) {
        ca_context_destroy(m_sounds);
    }
}

ca_context* DesktopPlatform::Sounds() {
    if (!m_soundsTried) {
        m_soundsTried = true;
        if (ca_context_create(&m_sounds) != CA_SUCCESS) {
            m_sounds = nullptr;
        } else {
            ca_context_change_props(m_sounds, CA_PROP_APPLICATION_NAME, "Ferrolet",
                                    CA_PROP_APPLICATION_ID, "com.quorvane.Ferrolet", nullptr);
        }
    }
    return m_sounds;
}

void DesktopPlatform::Beep() {
    ca_context* sounds = Sounds();
    // With no sound card libcanberra fails at once; the display's bell is all
    // that is left then.
    if (sounds && ca_context_play(sounds, kBellId, CA_PROP_EVENT_ID, "bell",
                                  CA_PROP_EVENT_DESCRIPTION, "Ferrolet", nullptr) == CA_SUCCESS) {
        m_soundStarted = true;
        return;
    }
    if (m_displayBell) {
        m_displayBell();
    }
}

void DesktopPlatform::PlaySound(const QString& name) {
    const std::string file = ThemeSoundFile(name);
    ca_context* sounds = file.empty() ? nullptr : Sounds();
    if (!sounds) {
        return;
    }
    // Playback runs in libcanberra's own thread; a failure is not worth a beep.
    if (ca_context_play(sounds, kSoundId, CA_PROP_MEDIA_FILENAME, file.c_str(), nullptr) ==
        CA_SUCCESS) {
        m_soundStarted = true;
    }
}

void DesktopPlatform::FinishPendingRequests(std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    AwaitFileManagerReplies(limit);
    while (m_soundStarted && m_sounds && Clock::now() < deadline) {
        int bell = 0;
        int sound = 0;
        ca_context_playing(m_sounds, kBellId, &bell);
        ca_context_playing(m_sounds, kSoundId, &sound);
        if (!bell && !sound) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FlushSessionBus(std::chrono::duration_cast<std::chrono::milliseconds>(
        std::max(deadline - Clock::now(), Clock::duration(std::chrono::milliseconds(100)))));
}

void DesktopPlatform::RevealItem(const std::string& path) {
    ShowItems({path});
}

void DesktopPlatform::RevealItems(const std::vector<std::string>& paths) {
    ShowItems(paths);
}

void DesktopPlatform::OpenFolder(const std::string& path) {
    ShowFolders({path});
}

void DesktopPlatform::OpenItem(const std::string& path) {
    if (IsDirectory(path)) {
        ShowFolders({path});
        return;
    }
    StartDetached(QStringLiteral("xdg-open"), {QFile::decodeName(QByteArray::fromStdString(path))});
}

void DesktopPlatform::OpenUrl(const QString& url) {
    StartDetached(QStringLiteral("xdg-open"), {url});
}

std::vector<std::string> DesktopPlatform::ChooseFolders(const FolderDialogRequest&) {
    return {};
}

// org.freedesktop.Notifications.Notify, sent without waiting for the reply:
// a server that is missing or hangs never holds up the command that failed.
void DesktopPlatform::Notify(const QString& summary, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("Ferrolet") << uint(0) << QStringLiteral("ferrolet") << summary << body
         << QStringList() << QVariantMap() << int(-1);
    call.setAutoStartService(false);
    bus.send(call);
}

void DesktopPlatform::BringToFront() {}

QDateTime DesktopPlatform::Now() {
    return QDateTime::currentDateTime();
}

} // namespace ferrolet
