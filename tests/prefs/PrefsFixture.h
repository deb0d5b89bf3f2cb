#pragma once

#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "prefs/PreferencesModel.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace ferrolet::test {

// A private home with a settings store and a recording platform; Model()
// loads a fresh preferences model from what is stored, as the window does
// when it is created.
class PrefsFixture : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        m_store = std::make_unique<SettingsStore>();
        m_soundFolder = MakeDir("sounds");
    }
    PreferencesModel& Model() {
        m_model = std::make_unique<PreferencesModel>(*m_store, m_platform,
                                                     QString::fromStdString(m_soundFolder));
        m_model->Load();
        return *m_model;
    }
    // A second store reads the file afresh, as another process would.
    static std::unique_ptr<SettingsStore> FreshStore() { return std::make_unique<SettingsStore>(); }
    static QStringList StoredList(const QString& key) {
        return FolderPathnames(*FreshStore(), key);
    }
    // The settings file as Python's plistlib reads it, as JSON: integers
    // become {"$int": n} and data {"$data": base64}, so the stored types
    // show as well as the values.
    QJsonObject Stored() const {
        std::string out;
        RunProgram({"python3", "-c", R"PY(
import base64, json, plistlib, sys
def conv(v):
    if isinstance(v, bytes): return {"$data": base64.b64encode(v).decode()}
    if isinstance(v, bool): return v
    if isinstance(v, int): return {"$int": v}
    if isinstance(v, dict): return {k: conv(x) for k, x in v.items()}
    if isinstance(v, list): return [conv(x) for x in v]
    return v
print(json.dumps(conv(plistlib.load(open(sys.argv[1], "rb")))))
)PY",
                    m_store->FilePath()},
                   &out);
        return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    }
    QStringList StoredStrings(const QString& key) const {
        QStringList out;
        for (const QJsonValue& v : Stored().value(key).toArray()) {
            out.append(v.toString());
        }
        return out;
    }
    QString Dir(const std::string& relative) const {
        return QString::fromStdString(MakeDir(relative));
    }

    std::unique_ptr<SettingsStore> m_store;
    FakePlatform m_platform;
    std::unique_ptr<PreferencesModel> m_model;
    std::string m_soundFolder;
};

} // namespace ferrolet::test
