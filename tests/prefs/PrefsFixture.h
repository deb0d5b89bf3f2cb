#pragma once

#include "FakePlatform.h"
#include "PlistReadBack.h"
#include "TestEnvironment.h"
#include "prefs/PreferencesModel.h"
#include "settings/SettingsStore.h"

#include <QJsonArray>
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

    // A second store instance reads the file afresh, as another process would.
    std::unique_ptr<SettingsStore> FreshStore() const { return std::make_unique<SettingsStore>(); }

    // One value as a fresh reader of the store sees it.
    QVariant ReadBack(const QString& key) const {
        auto store = FreshStore();
        store->Synchronize();
        return store->Value(key);
    }

    QJsonObject Stored() const { return ReadPlistWithPython(m_store->FilePath()); }

    QString Dir(const std::string& relative) const {
        return QString::fromStdString(MakeDir(relative));
    }

    static QStringList Strings(const QJsonValue& array) {
        QStringList out;
        for (const QJsonValue& v : array.toArray()) {
            out.append(v.toString());
        }
        return out;
    }

    std::unique_ptr<SettingsStore> m_store;
    FakePlatform m_platform;
    std::unique_ptr<PreferencesModel> m_model;
    std::string m_soundFolder;
};

} // namespace ferrolet::test
