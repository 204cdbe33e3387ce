#include "forms/main/ProgramExit.h"
#include "forms/main/UserMessages.h"
#include "forms/main/判断五笔字型.h"

#include <gtest/gtest.h>

TEST(Refusal, ShowsMessageThenEndsTheProgram) {
    std::vector<std::string> events;
    QString title;
    QString text;
    UserMessages::SetPresenter([&](const QString& t, const QString& m, UserMessages::Icon) {
        title = t;
        text = m;
        events.push_back("message");
    });
    ProgramExit::SetHandler([&] { events.push_back("exit"); });
    InputMethodCheck::RefuseAndExit();
    UserMessages::SetPresenter({});
    ProgramExit::SetHandler({});
    EXPECT_EQ(events, (std::vector<std::string>{"message", "exit"}));
    EXPECT_EQ(text, QString::fromUtf8("发现五笔字型坑害本软件，程序将退出，请你二选一"));
    EXPECT_EQ(title, QString::fromUtf8("Quorlik二维码"));
}

TEST(Refusal, RealExitEndsTheProcessAtOnce) {
    EXPECT_EXIT(ProgramExit::Now(), ::testing::ExitedWithCode(0), "");
}
