// `ferrolet --settings`: every key, its effective value, and whether it is stored.
#include "app/SettingsReport.h"
#include "TestEnvironment.h"
#include "settings/FolderLists.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

using namespace ferrolet;

class SettingsReportTest : public ferrolet::test::TempHome {};

TEST_F(SettingsReportTest, PrintsEveryKeyWithStoredOrDefaultValues) {
    const std::string a = MakeDir("folders/Alpha");
    const std::string b = MakeDir("folders/Beta\nline");
    SettingsStore store;
    store.SetAppValue(keys::ReplaceFilesBySameName, true);
    store.SetAppValue(keys::IncludeCopyTo, qint64(0)); // wrong type: reads as the default
    store.SetAppValue(keys::Extensions, QVariantList{QStringLiteral("pdf")});
    store.Synchronize();
    StoreDestinationPathnames(store, {QString::fromStdString(a), QString::fromStdString(b)});

    const QString report = SettingsReport(store);
    const QStringList lines = report.split('\n');
    EXPECT_TRUE(lines.contains("ReplaceFilesBySameName = true"));
    EXPECT_TRUE(lines.contains("IncludeCopyTo = true (default)"));
    EXPECT_TRUE(report.contains("\nExtensions = \n  pdf\n"));
    EXPECT_TRUE(report.contains(QString::fromStdString("\nPathnamesAliases = \n  " + a + "\n  " +
                                                       Path("folders/Beta\\nline") + "\n")))
        << "a newline in a folder name must not break the one-entry-per-line format";
    EXPECT_TRUE(lines.contains("ExtensionPathsAliases =  (default)"));
    int keyLines = 0;
    for (const QString& line : lines) {
        keyLines += !line.isEmpty() && !line.startsWith("  ");
    }
    EXPECT_EQ(keyLines, static_cast<int>(AllSettings().size()));
}
