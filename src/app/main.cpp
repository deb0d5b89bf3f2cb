#include "app/SettingsReport.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>

using namespace ferrolet;

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("Ferrolet %s\n", FERROLET_VERSION);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--settings") == 0) {
        SettingsStore store;
        std::fputs(SettingsReport(store).toUtf8().constData(), stdout);
        return 0;
    }
    QApplication app(argc, argv);
    return app.exec();
}
