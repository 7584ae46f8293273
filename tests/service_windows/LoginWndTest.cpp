#include "ServiceWindowsFixture.h"

#include "service/windows/CAreaWnd.h"
#include "service/windows/CCodeCountdown.h"
#include "service/windows/CCommonWnd.h"
#include "service/windows/CLoginWnd.h"
#include "service/windows/CReplyMailbox.h"
#include "service/windows/ServiceMessages.h"
#include "ui/framework/WindowMessage.h"

#include <QApplication>
#include <QFileInfo>
#include <QListWidget>

namespace {

using LoginWndTest = ServiceWindowsTest;

const char kSignedInReply[] =
    R"({"rc":"0","msg":"ok","data":{"id":42,"phone":"13800138000","password":"x"}})";

// Fault caught: values went into the address raw, so "a b&c" arrived cut and the window never
// closed; and a remembered password sat in a file every program of the user could read.
TEST_F(LoginWndTest, PasswordSignInSendsEscapedValuesClosesAndRemembers) {
    m_config->SetUserRemember(QStringLiteral("on"));
    QPointer<CLoginWnd> window = Open(new CLoginWnd(m_links));
    Service().SetReply(testsupport::HttpReply(200, kSignedInReply));
    Click(*window, "pw_opt");
    Type(*window, "pw_tel_edit", QStringLiteral("13800138000"));
    Type(*window, "pw_edit", QStringLiteral("a b&c+d"));
    Click(*window, "login_btn");

    ASSERT_TRUE(WaitUntil([&] { return window.isNull(); }));
    const auto requests = RequestsTo("/api/recordLogin.json");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/api/recordLogin.json?name=13800138000&password=a%20b%26c%2Bd");
    EXPECT_TRUE(m_user->IsSignedIn());
    EXPECT_EQ(m_user->Record().id, 42);
    EXPECT_EQ(m_posted, std::vector<unsigned>{svcmsg::kSignedIn});
    EXPECT_EQ(m_config->GetUserName(), QStringLiteral("13800138000"));
    EXPECT_EQ(m_config->GetUserPassword(), QStringLiteral("a b&c+d"));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_FALSE(QFileInfo(m_config->GetCustomIniPath()).permissions() & others);
    // Later writes keep the file private.
    m_config->SetUiLanguage(QStringLiteral("lan_en"));
    EXPECT_FALSE(QFileInfo(m_config->GetCustomIniPath()).permissions() & others);
}

TEST_F(LoginWndTest, RememberOffEmptiesTheSavedCredentials) {
    m_config->SetUserName(QStringLiteral("1"));
    m_config->SetUserPassword(QStringLiteral("secret"));
    m_config->SetUserRemember(QStringLiteral("off"));
    CLoginWnd* window = Open(new CLoginWnd(m_links));
    Service().SetReply(testsupport::HttpReply(200, R"({"rc":"7","msg":"wrong"})"));
    Type(*window, "pw_tel_edit", QStringLiteral("2"));
    Type(*window, "pw_edit", QStringLiteral("another"));
    Click(*window, "login_btn");
    ASSERT_TRUE(WaitUntil([] { return !ShownMessageBoxes().empty(); }));
    EXPECT_EQ(ShownMessageBoxes()[0].text, QStringLiteral("wrong"));
    EXPECT_EQ(ShownMessageBoxes()[0].caption, QString());
    EXPECT_TRUE(m_config->GetUserName().isEmpty());
    EXPECT_TRUE(m_config->GetUserPassword().isEmpty());
    EXPECT_FALSE(m_user->IsSignedIn());
}

TEST_F(LoginWndTest, SavedCredentialsFillThePasswordPage) {
    m_config->SetUserRemember(QStringLiteral("on"));
    m_config->SetUserName(QStringLiteral("1380"));
    m_config->SetUserPassword(QStringLiteral("pw123456"));
    CLoginWnd* window = Open(new CLoginWnd(m_links));
    EXPECT_EQ(window->GetControlText(QStringLiteral("pw_tel_edit")), QStringLiteral("1380"));
    EXPECT_EQ(window->GetControlText(QStringLiteral("pw_edit")), QStringLiteral("pw123456"));
    EXPECT_TRUE(window->GetCheck(QStringLiteral("rem_box")));
}

struct ValidationCase {
    const char* option; // page to choose first (or nullptr)
    std::vector<std::pair<const char*, const char*>> fields;
    const char* button;
    const char* message;
};

class LoginValidationTest : public ServiceWindowsTest,
                            public testing::WithParamInterface<ValidationCase> {};

TEST_P(LoginValidationTest, RefusesAndSendsNothing) {
    CLoginWnd* window = Open(new CLoginWnd(m_links));
    if (GetParam().option)
        Click(*window, GetParam().option);
    for (const auto& [control, text] : GetParam().fields)
        Type(*window, control, QString::fromUtf8(text));
    Click(*window, GetParam().button);
    ASSERT_TRUE(WaitUntil([] { return ShownMessageBoxes().size() == 1; }));
    EXPECT_EQ(ShownMessageBoxes()[0].text, QString::fromUtf8(GetParam().message));
    EXPECT_EQ(ShownMessageBoxes()[0].caption, QString());
    QCoreApplication::processEvents();
    EXPECT_TRUE(RequestsTo("/api/recordLogin").empty());
    EXPECT_TRUE(RequestsTo("/api/registerAndModifyPwd").empty());
    EXPECT_TRUE(RequestsTo("/api/getLoginVerifyCode").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, LoginValidationTest,
    testing::Values(
        ValidationCase{"pw_opt", {{"pw_tel_edit", "1"}}, "login_btn", "手机号或密码不能为空"},
        ValidationCase{"pw_opt", {{"pw_edit", "123456"}}, "login_btn", "手机号或密码不能为空"},
        ValidationCase{"code_opt", {{"code_tel_edit", "1"}}, "login_btn", "手机号或验证码不能为空"},
        ValidationCase{"code_opt", {}, "code_getcode_btn", "手机号不能为空"},
        ValidationCase{nullptr, {}, "reg_getcode_btn", "手机号不能为空"},
        ValidationCase{nullptr,
                       {{"reg_tel_edit", "1"}, {"reg_code_edit", "2"}},
                       "reg_btn",
                       "手机号、验证码或密码不能为空"},
        ValidationCase{nullptr,
                       {{"reg_tel_edit", "1"}, {"reg_code_edit", "2"}, {"reg_pw_edit", "12345"}},
                       "reg_btn",
                       "密码不得少于6位"}));

TEST_F(LoginWndTest, RegistrationWithSixCharactersIsSentWithAnEmptyMark) {
    CLoginWnd* window = Open(new CLoginWnd(m_links));
    Service().SetReply(testsupport::HttpReply(200, R"({"rc":"0","data":{"id":1}})"));
    Type(*window, "reg_tel_edit", QStringLiteral("1"));
    Type(*window, "reg_code_edit", QStringLiteral("2"));
    Type(*window, "reg_pw_edit", QStringLiteral("123456"));
    Click(*window, "reg_btn");
    ASSERT_TRUE(WaitUntil([this] { return !RequestsTo("/api/registerAndModifyPwd").empty(); }));
    EXPECT_EQ(RequestsTo("/api/registerAndModifyPwd")[0].target,
              "/api/registerAndModifyPwd.json?phone=1&code=2&password=123456&mark=");
    EXPECT_TRUE(ShownMessageBoxes().empty());
}

TEST_F(LoginWndTest, CountryCodesFillBothCallingCodeLists) {
    Service().SetReply(testsupport::HttpReply(
        200, R"([{"countryCode":"86","countryCn":"a"},{"countryCode":852}])"));
    CLoginWnd* window = Open(new CLoginWnd(m_links));
    ASSERT_TRUE(
        WaitUntil([&] { return window->GetListCount(QStringLiteral("reg_code_com")) == 2; }));
    EXPECT_EQ(window->GetListCount(QStringLiteral("code_code_com")), 2);
    EXPECT_EQ(window->GetListItem(QStringLiteral("code_code_com"), 1).text, QStringLiteral("+852"));
    EXPECT_EQ(window->GetListCurSel(QStringLiteral("code_code_com")), 0);

    // The code page asks with the chosen code's digits and mark "code".
    window->SelectListItem(QStringLiteral("code_code_com"), 1);
    Click(*window, "code_opt");
    Type(*window, "code_tel_edit", QStringLiteral("5 5"));
    Click(*window, "code_getcode_btn");
    ASSERT_TRUE(WaitUntil([this] { return !RequestsTo("/api/getLoginVerifyCode").empty(); }));
    EXPECT_EQ(RequestsTo("/api/getLoginVerifyCode")[0].target,
              "/api/getLoginVerifyCode.json?phone=5%205&country=852&mark=code");
    EXPECT_EQ(window->GetControlText(QStringLiteral("code_getcode_btn")), QStringLiteral("59s"));
    EXPECT_FALSE(window->IsControlEnabled(QStringLiteral("code_getcode_btn")));
}

TEST_F(LoginWndTest, CountdownTicksToTheLabelAndStartsAgain) {
    CLoginWnd* window = Open(new CLoginWnd(m_links));
    CCodeCountdown countdown(*window, QStringLiteral("reg_getcode_btn"), 9);
    const QString button = QStringLiteral("reg_getcode_btn");
    for (int round = 0; round < 2; ++round) {
        countdown.Start();
        EXPECT_EQ(window->GetControlText(button), QStringLiteral("59s"));
        EXPECT_FALSE(window->IsControlEnabled(button));
        EXPECT_TRUE(countdown.IsRunning());
        EXPECT_FALSE(countdown.OnTimer(8)); // another timer's tick
        EXPECT_TRUE(countdown.OnTimer(9));
        EXPECT_EQ(window->GetControlText(button), QStringLiteral("58s"));
        for (int tick = 2; tick < 59; ++tick)
            countdown.OnTimer(9);
        EXPECT_EQ(window->GetControlText(button), QStringLiteral("1s"));
        countdown.OnTimer(9);
        EXPECT_EQ(window->GetControlText(button), QStringLiteral("获取验证码"));
        EXPECT_TRUE(window->IsControlEnabled(button));
        EXPECT_FALSE(countdown.IsRunning());
    }
}

TEST(AreaWnd, CodeOfAnItemIsTheNumberAfterThePlus) {
    const std::pair<const char*, int> cases[] = {
        {"+852", 852}, {"+86", 86}, {"1", 1}, {"+", 0}, {"", 0}, {"+1-684", 1}, {"x+44y", 44}};
    for (const auto& [text, code] : cases)
        EXPECT_EQ(CAreaWnd::CodeOfItem(QString::fromUtf8(text)), code) << text;
}

TEST_F(LoginWndTest, AnAreaChoiceSetsBothAreaButtonsAndTheNextCountry) {
    Service().SetReply(
        testsupport::HttpReply(200, R"([{"countryCode":"86"},{"countryCode":"852"}])"));
    QPointer<CCommonWnd> common = Open(new CCommonWnd(m_links));
    ASSERT_TRUE(WaitUntil([&] { return common->AreaCodes().size() == 2; }));
    Click(*common, "code_area_btn");
    QPointer<CAreaWnd> area;
    ASSERT_TRUE(WaitUntil([&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String("AreaWnd") && top->isVisible())
                return true;
        }
        return false;
    }));
    QListWidget* list = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("AreaWnd") && top->isVisible())
            list = top->findChild<QListWidget*>(QStringLiteral("area_list"));
    }
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    list->setCurrentRow(1);
    ASSERT_TRUE(WaitUntil([&] {
        return common->GetControlText(QStringLiteral("code_area_btn")) == QLatin1String("+852");
    }));
    EXPECT_EQ(common->GetControlText(QStringLiteral("reg_area_btn")), QStringLiteral("+852"));
    Type(*common, "reg_tel_edit", QStringLiteral("1"));
    Click(*common, "reg_getcode_btn");
    ASSERT_TRUE(WaitUntil([this] { return !RequestsTo("/api/getLoginVerifyCode").empty(); }));
    EXPECT_EQ(RequestsTo("/api/getLoginVerifyCode").back().target,
              "/api/getLoginVerifyCode.json?phone=1&country=852&mark=");
}

// How a sign-in whose window closed while it waited for the service ends.
enum class LateEnding {
    SignedInReply, // the service answers with a user record after the window closed
    RefusalReply,  // ... or with a refusal
    NoReply,       // it never answers; the call gives up on its own
};

struct LateReplyCase {
    const char* name;
    bool commonWindow; // CCommonWnd's user page, else CLoginWnd
    bool byCode;       // code sign-in, else password
    LateEnding ending;
    bool othersSignInMeanwhile; // another sign-in completed while this reply was outstanding
};

class LateSignInReplyTest : public ServiceWindowsTest,
                            public testing::WithParamInterface<LateReplyCase> {
protected:
    static std::string Target(const LateReplyCase& c, const QString& phone) {
        const std::string digits = phone.toStdString();
        return c.byCode ? "/api/recordLogin.json?phone=" + digits + "&code=246810"
                        : "/api/recordLogin.json?name=" + digits + "&password=246810";
    }

    // Fills the window's sign-in page and presses its button.
    static void PressSignIn(WindowImplBase& window, const LateReplyCase& c, const QString& phone) {
        if (c.commonWindow) {
            Type(window, c.byCode ? "code_tel_edit" : "pw_tel_edit", phone);
            Type(window, c.byCode ? "code_code_edit" : "pw_pw_edit", QStringLiteral("246810"));
            Click(window, c.byCode ? "code_login_btn" : "pw_login_btn");
        } else {
            if (c.byCode)
                Click(window, "code_opt");
            Type(window, c.byCode ? "code_tel_edit" : "pw_tel_edit", phone);
            Type(window, c.byCode ? "code_edit" : "pw_edit", QStringLiteral("246810"));
            Click(window, "login_btn");
        }
    }
};

// Fault caught: a sign-in reply that came after its window had closed still filled the user
// record, so the account of whoever signed in meanwhile was overwritten by the stale one.
TEST_P(LateSignInReplyTest, SignsNobodyIn) {
    const LateReplyCase& c = GetParam();
    // Each case its own phone number, so its held request is told apart from other cases'.
    const QString phone = QStringLiteral("1390000%1")
                              .arg(static_cast<int>(c.ending) * 8 + (c.commonWindow ? 4 : 0) +
                                       (c.byCode ? 2 : 0) + (c.othersSignInMeanwhile ? 1 : 0),
                                   4, 10, QLatin1Char('0'));
    const long holders = m_user.use_count();

    QPointer<WindowImplBase> window;
    if (c.commonWindow)
        window = Open(new CCommonWnd(m_links));
    else
        window = Open(new CLoginWnd(m_links));
    ASSERT_FALSE(window.isNull());
    // Held, not answered, from the press on.
    const std::string target = Target(c, phone);
    Service().SetRoute(target, testsupport::HttpReply::Never());
    PressSignIn(*window, c, phone);
    ASSERT_TRUE(WaitUntil([&] { return !RequestsTo(target).empty(); }));

    window->Close();
    ASSERT_TRUE(WaitUntil([&] { return window.isNull(); }));
    UserRecord other;
    other.id = 5;
    other.phone = "13700000005";
    if (c.othersSignInMeanwhile) {
        m_user->Fill(other);
        m_user->SetSignedIn(true);
    }

    switch (c.ending) {
    case LateEnding::SignedInReply:
        Service().AnswerHeld(testsupport::HttpReply(
            200, R"({"rc":"0","msg":"ok","data":{"id":77,"phone":"13900000077"}})"));
        break;
    case LateEnding::RefusalReply:
        Service().AnswerHeld(testsupport::HttpReply(200, R"({"rc":"4","msg":"late"})"));
        break;
    case LateEnding::NoReply:
        break;
    }
    // The worker is done once it has let go of the user record.
    ASSERT_TRUE(WaitUntil([&] { return m_user.use_count() == holders; }));
    Service().AnswerHeld(testsupport::HttpReply(500)); // hangs up what is still held

    EXPECT_EQ(m_user->IsSignedIn(), c.othersSignInMeanwhile);
    EXPECT_EQ(m_user->Record().id, c.othersSignInMeanwhile ? other.id : 0);
    EXPECT_EQ(m_user->Record().phone, c.othersSignInMeanwhile ? other.phone : std::string());
    EXPECT_EQ(std::count(m_posted.begin(), m_posted.end(), svcmsg::kSignedIn), 0);
}

INSTANTIATE_TEST_SUITE_P(
    AfterTheWindowClosed, LateSignInReplyTest,
    testing::Values(
        LateReplyCase{"LoginPasswordSignedIn", false, false, LateEnding::SignedInReply, false},
        LateReplyCase{"LoginCodeSignedIn", false, true, LateEnding::SignedInReply, false},
        LateReplyCase{"CommonPasswordSignedIn", true, false, LateEnding::SignedInReply, false},
        LateReplyCase{"CommonCodeSignedIn", true, true, LateEnding::SignedInReply, false},
        LateReplyCase{"LoginPasswordSignedInOverAnother", false, false, LateEnding::SignedInReply,
                      true},
        LateReplyCase{"CommonCodeSignedInOverAnother", true, true, LateEnding::SignedInReply, true},
        LateReplyCase{"LoginPasswordRefused", false, false, LateEnding::RefusalReply, false},
        LateReplyCase{"LoginPasswordNeverAnswered", false, false, LateEnding::NoReply, false},
        LateReplyCase{"CommonCodeNeverAnsweredOverAnother", true, true, LateEnding::NoReply, true}),
    [](const testing::TestParamInfo<LateReplyCase>& info) { return std::string(info.param.name); });

// Fault caught: a worker finishing after its window closed posted to whatever window lived at
// that address by then.
TEST_F(LoginWndTest, AMailboxPostsNothingOnceClosed) {
    CLoginWnd* window = Open(new CLoginWnd(m_links));
    CReplyMailbox mailbox(window);
    EXPECT_TRUE(mailbox.Post(svcmsg::kFeedbackDone));
    mailbox.Close();
    EXPECT_FALSE(mailbox.Post(svcmsg::kSignedIn));
    for (int turn = 0; turn < 5; ++turn)
        QCoreApplication::processEvents();
    EXPECT_TRUE(window->IsVisible());
    EXPECT_FALSE(m_user->IsSignedIn());
}

} // namespace
