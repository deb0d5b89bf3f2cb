#pragma once

#include "app/BusNames.h"

#include <QDBusAbstractAdaptor>
#include <QString>
#include <QStringList>

namespace ferrolet {

class AppCore;
class AppController;

// The running instance's own entry points on the session bus, used by the
// command line (`ferrolet --menu`, `--command`, `--preferences`) and by a
// second start, so that everything acts on the one instance's state.
class ControlAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quorvane.Ferrolet.Control")
public:
    ControlAdaptor(QObject* root, AppCore& core, AppController& controller);

public slots:
    // A second start of the program hands over here.
    void Activate();
    void ShowPreferences();
    // The text of the status menu (or the Move Service menu) as a build now
    // would make it.
    QString MenuText(bool moveService);
    // `ferrolet --command TAG [--ask]` run here, on this instance's
    // selection, cut state and windows: the exit status (0 run, 2 refused)
    // and, when refused, why.
    int RunCommand(int tag, bool ask, QString& message);
    // `ferrolet --command TAG [--ask] PATH...`: the same on exactly the given
    // items (absolute paths), never on this instance's selection.
    int RunCommandOn(int tag, bool ask, const QStringList& paths, QString& message);
    // `ferrolet --undo [N]` run here: undoes gesture N of the history (0:
    // the newest that can be undone); the exit status and what went wrong.
    int Undo(int number, QString& message);

private:
    AppCore& m_core;
    AppController& m_controller;
};

} // namespace ferrolet
