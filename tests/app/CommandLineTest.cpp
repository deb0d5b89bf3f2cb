#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace ferrolet;

TEST(CommandLine, ParsesEveryEntryAndRefusesNonsense) {
    auto parse = [](QStringList args) {
        args.prepend("ferrolet");
        return ParseCommandLine(args, nullptr);
    };
    EXPECT_EQ(parse({})->mode, CommandLine::Mode::Run);
    EXPECT_EQ(parse({"--install-menus"})->mode, CommandLine::Mode::InstallMenus);
    // value() throws, and so fails the test, where nothing was parsed.
    const CommandLine menu = parse({"--menu", "--move-service"}).value();
    EXPECT_TRUE(menu.mode == CommandLine::Mode::Menu && menu.moveServiceMenu);
    const CommandLine command = parse({"--command", "-1005"}).value();
    EXPECT_TRUE(command.tag == -1005 && !command.ask);
    // Items after the tag; "--" lets one look like an option.
    const CommandLine onItems = parse({"--command", "2002", "--ask", "--", "-a", "--ask"}).value();
    EXPECT_TRUE(onItems.ask);
    EXPECT_EQ(onItems.paths, QStringList({"-a", "--ask"}));
    EXPECT_EQ(onItems.firstPath, 5);
    EXPECT_EQ(parse({"--command", "1001", "/x y"})->paths, QStringList{"/x y"});
    const CommandLine service =
        parse({"--service", "Move to Documents", "a b", "--not-an-option"}).value();
    EXPECT_EQ(service.userData, "Move to Documents");
    EXPECT_EQ(service.paths, QStringList({"a b", "--not-an-option"}));
    const CommandLine login = parse({"--start-at-login", "on"}).value();
    EXPECT_TRUE(login.mode == CommandLine::Mode::StartAtLogin && login.startAtLogin);
    EXPECT_FALSE(parse({"--start-at-login", "off"})->startAtLogin);

    QString error;
    EXPECT_FALSE(ParseCommandLine({"ferrolet", "--command", "x"}, &error));
    EXPECT_FALSE(error.isEmpty());
    for (const QStringList& nonsense : {QStringList{"--command"},
                                        {"--command", "1001", "--bogus"},
                                        {"--remove-menus", "x"},
                                        {"--menu", "--bogus"},
                                        {"--service"},
                                        {"--frobnicate"},
                                        {"--start-at-login"},
                                        {"--start-at-login", "yes"}}) {
        EXPECT_FALSE(parse(nonsense)) << nonsense.join(' ').toStdString();
    }
}
