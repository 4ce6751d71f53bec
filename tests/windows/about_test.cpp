// The about window's version texts in the current language, and its web button, which opens
// only real web addresses.

#include "windows/about_wnd.h"

#include <QDesktopServices>

#include "tests/windows/dialog_driver.h"

namespace qb::windows {
namespace {

using test::Click;
using test::Shown;
using test::WhenOpen;

/// Takes the place of the browser: records what the program asked to open.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void Open(const QUrl& url) { opened.append(url); }
};

class AboutTest : public test::DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    for (const char* scheme : {"http", "https", "file", "javascript"})
      QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_browser, "Open");
  }
  void TearDown() override {
    for (const char* scheme : {"http", "https", "file", "javascript"})
      QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    DialogTest::TearDown();
  }

  UrlRecorder m_browser;
};

TEST_F(AboutTest, ShowsTheVersionsOfTheBoxAndTheProgram) {
  struct Case {
    const char* language;
    AboutInfo info;
    QString firmware;
    QString software;
    QString inner;
  };
  const Case cases[] = {
      // No box read yet: the model name alone.
      {"en", AboutInfo{}, QStringLiteral("ZX7140K"), QStringLiteral("Software version v6.7.50"),
       QStringLiteral("Built-in firmware v16.16")},
      {"en", AboutInfo{79, 16, 17, {}}, QStringLiteral("ZX7140K Firmware v16.17"),
       QStringLiteral("Software version v6.7.50"), QStringLiteral("Built-in firmware v16.16")},
      {"en", AboutInfo{79, 1, 5, {}}, QStringLiteral("ZX7140K Firmware v1.5"),
       QStringLiteral("Software version v6.7.50"), QStringLiteral("Built-in firmware v16.16")},
      {"cn_zh", AboutInfo{79, 16, 17, {}}, QStringLiteral("ZX7140K 固件版本 v16.17"),
       QStringLiteral("软件版本 v6.7.50"), QStringLiteral("内置固件版本 v16.16")},
  };
  for (const Case& c : cases) {
    ui::Languages().Select(QString::fromLatin1(c.language));
    bool checked = false;
    WhenOpen<CAboutWnd>([&](CAboutWnd& about) {
      EXPECT_EQ(Shown(about, "fw_version"), c.firmware);
      EXPECT_EQ(Shown(about, "soft_version"), c.software);
      EXPECT_EQ(Shown(about, "inner_fw_version"), c.inner);
      EXPECT_TRUE(about.FindControl(QStringLiteral("inner_fw_version"))->isVisible());
      EXPECT_FALSE(about.FindControl(QStringLiteral("company_title"))->isVisible());
      EXPECT_EQ(about.objectName(), QStringLiteral("msgwnd"));
      checked = true;
      Click(about, "confirm_btn");
    });
    EXPECT_EQ(ShowAboutWindow(nullptr, c.info), 1) << c.firmware.toStdString();
    EXPECT_TRUE(checked);
  }
}

TEST_F(AboutTest, CloseButtonAnswersZero) {
  WhenOpen<CAboutWnd>([](CAboutWnd& about) { Click(about, "closebtn"); });
  EXPECT_EQ(ShowAboutWindow(nullptr, AboutInfo{}), 0);
}

TEST_F(AboutTest, TheWebButtonOpensItsAddressAndKeepsTheWindowOpen) {
  WhenOpen<CAboutWnd>([this](CAboutWnd& about) {
    EXPECT_EQ(Shown(about, "web_btn_1"), QStringLiteral("https://www.example.com"));
    Click(about, "web_btn_1");
    ASSERT_EQ(m_browser.opened.size(), 1);
    EXPECT_EQ(m_browser.opened[0], QUrl(QStringLiteral("https://www.example.com")));
    Click(about, "confirm_btn");
  });
  AboutInfo info;
  info.webAddress = QStringLiteral("https://www.example.com");
  EXPECT_EQ(ShowAboutWindow(nullptr, info), 1);
}

TEST_F(AboutTest, WithoutAnAddressNoLinkIsShown) {
  for (const char* address : {"", "www.example.com"}) {
    bool checked = false;
    WhenOpen<CAboutWnd>([&](CAboutWnd& about) {
      EXPECT_TRUE(about.FindControl(QStringLiteral("web_btn_1"))->isHidden()) << address;
      checked = true;
      Click(about, "confirm_btn");
    });
    AboutInfo info;
    info.webAddress = QString::fromLatin1(address);
    ShowAboutWindow(nullptr, info);
    EXPECT_TRUE(checked);
  }
}

TEST_F(AboutTest, AWebButtonWithAnOddTargetOpensNothing) {
  for (const char* target : {"", "file:///etc/passwd", "javascript:alert(1)", "www.example.com"}) {
    WhenOpen<CAboutWnd>([&](CAboutWnd& about) {
      // As a layout whose link holds an odd text would show it.
      QWidget* web = about.FindControl(QStringLiteral("web_btn_1"));
      ui::SetControlText(web, QString::fromLatin1(target));
      web->setVisible(true);
      Click(about, "web_btn_1");
      Click(about, "confirm_btn");
    });
    ShowAboutWindow(nullptr, AboutInfo{});
    EXPECT_TRUE(m_browser.opened.isEmpty()) << target;
  }
}

TEST(WebAddress, AcceptsOnlyAbsoluteWebAddresses) {
  const std::pair<const char*, bool> cases[] = {
      {"https://www.example.com", true},
      {"http://example.com/path?q=1", true},
      {"  https://example.com  ", true},
      {"HTTPS://EXAMPLE.COM", true},
      {"", false},
      {"www.example.com", false},
      {"file:///etc/passwd", false},
      {"javascript:alert(1)", false},
      {"mailto:someone@example.com", false},
      {"https://", false},
      {"ftp://example.com", false},
      {"${company_url}", false},
  };
  for (const auto& [text, web] : cases) EXPECT_EQ(!WebAddress(QString::fromLatin1(text)).isEmpty(), web) << text;
}

}  // namespace
}  // namespace qb::windows

#include "about_test.moc"
