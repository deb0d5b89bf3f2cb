#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace ferrolet;

TEST(CommandLine, ParsesEveryEntryAndRefusesNonsense) {
    auto parse = [](QStringList args) {
        args.prepend("ferrolet");
        return ParseCommandLine(args, nullptr);
    };
    EXPECT_EQ(parse({})->mode, CommandLine::Mode::Run);
    auto menu = parse({"--menu", "--move-service"});
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->mode, CommandLine::Mode::Menu);
    EXPECT_TRUE(menu->moveServiceMenu);
    auto command = parse({"--command", "-1005"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->tag, -1005);
    EXPECT_FALSE(command->ask);
    EXPECT_TRUE(parse({"--command", "1001", "--ask"})->ask);
    // Items after the tag; "--" lets one look like an option.
    auto onItems = parse({"--command", "2002", "--ask", "--", "-a", "--ask"});
    ASSERT_TRUE(onItems);
    EXPECT_TRUE(onItems->ask);
    EXPECT_EQ(onItems->paths, QStringList({"-a", "--ask"}));
    EXPECT_EQ(onItems->firstPath, 5);
    EXPECT_EQ(parse({"--command", "1001", "/x y"})->paths, QStringList{"/x y"});
    EXPECT_FALSE(parse({"--command", "1001", "--bogus"}));
    EXPECT_EQ(parse({"--install-menus"})->mode, CommandLine::Mode::InstallMenus);
    EXPECT_FALSE(parse({"--remove-menus", "x"}));
    auto service = parse({"--service", "Move to Documents", "a b", "--not-an-option"});
    ASSERT_TRUE(service);
    EXPECT_EQ(service->userData, "Move to Documents");
    EXPECT_EQ(service->paths, QStringList({"a b", "--not-an-option"}));

    auto login = parse({"--start-at-login", "on"});
    ASSERT_TRUE(login);
    EXPECT_EQ(login->mode, CommandLine::Mode::StartAtLogin);
    EXPECT_TRUE(login->startAtLogin);
    EXPECT_FALSE(parse({"--start-at-login", "off"})->startAtLogin);

    QString error;
    EXPECT_FALSE(ParseCommandLine({"ferrolet", "--command", "x"}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(parse({"--command"}));
    EXPECT_FALSE(parse({"--menu", "--bogus"}));
    EXPECT_FALSE(parse({"--version", "extra"}));
    EXPECT_FALSE(parse({"--service"}));
    EXPECT_FALSE(parse({"--frobnicate"}));
    EXPECT_FALSE(parse({"--start-at-login"}));
    EXPECT_FALSE(parse({"--start-at-login", "yes"}));
    EXPECT_FALSE(parse({"--start-at-login", "on", "off"}));
}

#include "app/WindowPlacement.h"

TEST(WindowPlacement, PointerLandsAtTheCentreOfTheContentAreaEvenOffScreen) {
    // 200 x 120 with a 22-point title bar: content 98 high, centred on y 300.
    const PointF topLeft = MoveToMouseTopLeft(200, 120, 500, 300, 22);
    EXPECT_FLOAT_EQ(topLeft.x, 400);
    EXPECT_FLOAT_EQ(topLeft.y, 300 - 22 - 98 / 2.0f);
    const PointF edge = MoveToMouseTopLeft(200, 120, 10, 5, 0);
    EXPECT_FLOAT_EQ(edge.x, -90);
    EXPECT_FLOAT_EQ(edge.y, -55);
}
