#include "ControlAdaptor.h"

#include "AppController.h"
#include "app/AppCore.h"
#include "app/OfferedCommand.h"
#include "app/UndoCommands.h"

namespace ferrolet {

ControlAdaptor::ControlAdaptor(QObject* root, AppCore& core, AppController& controller)
    : QDBusAbstractAdaptor(root), m_core(core), m_controller(controller) {}

void ControlAdaptor::Activate() {
    m_controller.ShowPreferences();
}

void ControlAdaptor::ShowPreferences() {
    m_controller.ShowPreferences();
}

QString ControlAdaptor::MenuText(bool moveService) {
    m_core.Setup();
    return MenuToText(moveService ? m_core.MoveServiceMenu() : m_core.StatusMenu());
}

int ControlAdaptor::RunCommand(int tag, bool ask, QString& message) {
    const CommandOutcome outcome = RunOfferedCommand(m_core, tag, ask);
    message = outcome.message;
    return outcome.exitStatus;
}

int ControlAdaptor::Undo(int number, QString& message) {
    const CommandOutcome outcome = RunUndo(m_core, number);
    message = outcome.message;
    return outcome.exitStatus;
}

int ControlAdaptor::RunCommandOn(int tag, bool ask, const QStringList& paths, QString& message) {
    const CommandOutcome outcome = RunOfferedCommandOn(m_core, tag, ask, paths);
    message = outcome.message;
    return outcome.exitStatus;
}

} // namespace ferrolet
