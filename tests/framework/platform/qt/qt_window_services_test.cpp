#include "framework/platform/qt/qt_window_services.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "framework/platform/core/encoding.h"
#include "framework/platform/core/runtime_settings.h"

// Readable failures: a QString prints as its UTF-8 text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace dbprobe::platform {
namespace {

using namespace literals;

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QString ArtifactPath(const char* file) {
    const QString directory = QStringLiteral(DBPROBE_TEST_ARTIFACTS);
    QDir().mkpath(directory);
    return directory + QLatin1Char('/') + QLatin1String(file);
}

// Acts on the next modal message box once it is on screen; lives as long as
// the box the test opens.
class WhenBoxShows {
public:
    explicit WhenBoxShows(std::function<void(QMessageBox*)> action) : action_(std::move(action)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            poll_.stop();
            seen_ = true;
            action_(box);
        });
        poll_.start(5);
    }
    bool Seen() const { return seen_; }

private:
    std::function<void(QMessageBox*)> action_;
    QTimer poll_;
    bool seen_ = false;
};

QAbstractButton* ButtonCaptioned(QMessageBox* box, const QString& caption) {
    for (QAbstractButton* button : box->buttons())
        if (button->text() == caption) return button;
    return nullptr;
}

// The captions as the user sees them, left to right.
QStringList Captions(QMessageBox* box) {
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    QStringList captions;
    for (QAbstractButton* button : buttons) captions.push_back(button->text());
    return captions;
}

void Type(QWidget* widget, const QString& text) {
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QCoreApplication::sendEvent(widget, &press);
    }
}

void PressKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

void DoubleClick(QWidget* widget) {
    const QPointF inside(4, 4);
    QMouseEvent click(QEvent::MouseButtonDblClick, inside, widget->mapToGlobal(inside),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &click);
}

// A blank-padded windows-1250 variable the window shows or edits.
struct Field {
    explicit Field(std::size_t size, std::string_view w1250 = {}) : bytes(size, ' ') {
        bytes.replace(0, std::min(size, w1250.size()), w1250.substr(0, size));
    }
    // In place: the window holds on to the bytes.
    void Set(std::string_view w1250) {
        const std::size_t kept = std::min(bytes.size(), w1250.size());
        bytes.replace(0, kept, w1250.substr(0, kept));
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(kept), bytes.end(), ' ');
    }
    TextVariable Variable() { return {bytes.data(), bytes.size()}; }
    std::string bytes;
};

Control Make(int number, ControlKind kind, std::string text, int x, int y, int width = kAuto,
             int height = kAuto) {
    return MakeControl(number, "", kind, std::move(text), x, y, width, height);
}

constexpr int kWelcome = 1, kPrompt = 2, kName = 3, kStart = 4, kTables = 5, kProgress = 6,
              kStatus = 7;

// The tester's start window in small: every kind of control once.
class SampleWindow : public ::testing::Test {
protected:
    void SetUp() override {
        description.name = "dbprobe$dbpro001";
        description.caption = "Test kompatibilty SQL"_w1250.str();
        description.icon = "DatabaseImport.ico";
        description.wallpaper = "back_blue.jpg";
        description.width = 220;
        description.height = 130;

        auto& c = description.controls;
        c.push_back(Make(kWelcome, ControlKind::Text, "Vítejete !"_w1250.str(), 10, 6));
        c.push_back(Make(kPrompt, ControlKind::Prompt, "&Zdroj dat:"_w1250.str(), 10, 24));
        c.push_back(Make(kName, ControlKind::Entry, "", 60, 22, 100, 12));
        c.back().variable = name.Variable();
        c.back().editWidth = 12;
        c.push_back(Make(kStart, ControlKind::Button, "&Spustit"_w1250.str(), 160, 108, 50, 14));
        c.back().tooltip = "Spustí test"_w1250.str();
        c.back().closesWindow = true;
        c.push_back(Make(kTables, ControlKind::List, "", 10, 40, 100, 60));
        c.back().rows = &rows;
        c.push_back(Make(kProgress, ControlKind::Progress, "", 120, 40, 90, 10));
        c.back().value = &progress;
        c.push_back(Make(kStatus, ControlKind::Text, "", 120, 56));
        c.back().variable = status.Variable();
        Font warning;
        warning.bold = true;
        warning.color = 0xFF0000;
        c.back().font = warning;

        window = services.Open(description);
    }

    QWidget* Widget(int control) { return services.ControlWidget(window, control); }

    // The variables outlive the window that shows them.
    Field name{16, "dbprobe-demo"};
    Field status{24, "Připraven"_w1250};
    std::vector<std::string> rows{"TEST_DAT"_w1250.str(), "Číselník"_w1250.str()};
    std::int32_t progress = 25;
    QtWindowServices services;
    WindowDescription description;
    WindowId window = 0;
};

TEST_F(SampleWindow, PlacesControlsInDialogUnitsOfTheWindowFont) {
    QWidget* top = services.WindowWidget(window);
    ASSERT_NE(top, nullptr);
    const QFontMetrics metrics(top->font());
    const int average =
        (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") + 26) /
        52;
    const auto px = [&](int units) { return static_cast<int>(std::lround(units * average / 4.0)); };
    const auto py = [&](int units) {
        return static_cast<int>(std::lround(units * metrics.height() / 8.0));
    };

    EXPECT_EQ(top->size(), QSize(px(220), py(130)));
    for (const Control& control : description.controls) {
        SCOPED_TRACE(control.number);
        const QRect geometry = Widget(control.number)->geometry();
        EXPECT_EQ(geometry.topLeft(), QPoint(px(control.x), py(control.y)));
        if (control.width != kAuto) {
            EXPECT_EQ(geometry.width(), px(control.width));
        }
        if (control.height != kAuto) {
            EXPECT_EQ(geometry.height(), py(control.height));
        }
    }
    // An automatic text is one line of its own font high.
    EXPECT_EQ(Widget(kWelcome)->height(), Widget(kWelcome)->fontMetrics().height());
    EXPECT_GT(Widget(kWelcome)->width(), 0);
}

TEST_F(SampleWindow, ShowsTheCzechTextsAndBoundValues) {
    QWidget* top = services.WindowWidget(window);
    EXPECT_EQ(top->windowTitle(), Utf8("Test kompatibilty SQL"));
    EXPECT_FALSE(top->windowIcon().isNull());
    EXPECT_EQ(static_cast<QLabel*>(Widget(kWelcome))->text(), Utf8("Vítejete !"));
    EXPECT_EQ(static_cast<QLabel*>(Widget(kPrompt))->buddy(), Widget(kName));
    EXPECT_EQ(static_cast<QLineEdit*>(Widget(kName))->text(), Utf8("dbprobe-demo"));
    EXPECT_EQ(static_cast<QLineEdit*>(Widget(kName))->maxLength(), 12);
    EXPECT_EQ(Widget(kStart)->toolTip(), Utf8("Spustí test"));
    auto* list = static_cast<QListWidget*>(Widget(kTables));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), Utf8("Číselník"));
    EXPECT_EQ(static_cast<QProgressBar*>(Widget(kProgress))->value(), 25);

    auto* state = static_cast<QLabel*>(Widget(kStatus));
    EXPECT_EQ(state->text(), Utf8("Připraven"));
    EXPECT_TRUE(state->font().bold());
    EXPECT_EQ(state->palette().color(QPalette::WindowText), QColor(Qt::red));

    top->show();
    const QImage shot = top->grab().toImage();
    EXPECT_TRUE(shot.save(ArtifactPath("sample_window.png")));
    // The wallpaper shows where no control is.
    const QColor free = shot.pixelColor(2, shot.height() - 3);
    EXPECT_GT(free.blue(), free.red() + 20);
}

TEST_F(SampleWindow, RedisplayShowsChangedVariablesAndProgress) {
    status.Set("Zápis 500 vět"_w1250);
    progress = 500;
    rows.push_back("Výsledky"_w1250.str());
    services.SetProperty(window, kProgress, property::ProgressMaximum, 1000);
    services.Redisplay(window);

    EXPECT_EQ(static_cast<QLabel*>(Widget(kStatus))->text(), Utf8("Zápis 500 vět"));
    const auto* bar = static_cast<QProgressBar*>(Widget(kProgress));
    EXPECT_EQ(bar->maximum(), 1000);
    EXPECT_EQ(bar->value(), 500);
    EXPECT_EQ(static_cast<QListWidget*>(Widget(kTables))->count(), 3);

    // Past the end the bar shows full rather than ignoring the value.
    progress = 5000;
    services.Redisplay(window);
    EXPECT_EQ(bar->value(), 1000);
}

TEST(QtEntry, TypingWritesTheVariableBackBlankPadded) {
    struct Case {
        const char* what;
        std::string initial;  // windows-1250
        const char* typed;    // UTF-8, appended to what the entry shows
        int editWidth;
        std::size_t size;
        std::string expected;  // windows-1250
    };
    const Case cases[] = {
        {"Czech letters", "", "Žluťoučký", 20, 12, "Žluťoučký   "_w1250.str()},
        {"appended to the shown value", "Karel   ", "X", 20, 8, "KarelX  "},
        {"edit width limits", "", "abcdefghij", 4, 8, "abcd    "},
        {"cut to the variable", "", "abcdefghij", 20, 6, "abcdef"},
        {"outside the code page", "", "a€b☺", 20, 5,
         "a\x80"
         "b? "},
    };
    QtWindowServices services;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Field field(c.size, c.initial);
        WindowDescription description;
        description.controls.push_back(Make(1, ControlKind::Entry, "", 4, 4, 80, 12));
        description.controls.back().variable = field.Variable();
        description.controls.back().editWidth = c.editWidth;
        const WindowId window = services.Open(description);
        auto* entry = static_cast<QLineEdit*>(services.ControlWidget(window, 1));
        entry->end(false);
        Type(entry, Utf8(c.typed));
        EXPECT_EQ(field.bytes, c.expected);
        services.Close(window);
    }
}

TEST_F(SampleWindow, EventsComeInOrderStartingWithTheOpenWindowEvent) {
    const auto next = [&] {
        const std::optional<Event> event = services.NextEvent(window);
        return event ? std::pair(event->number, event->control) : std::pair(-1, -1);
    };
    EXPECT_EQ(next(), std::pair(event::OpenWindow, 0));
    EXPECT_TRUE(services.WindowWidget(window)->isVisible());

    // The loop waits until the user clicks.
    QTimer::singleShot(20, [&] { static_cast<QPushButton*>(Widget(kStart))->click(); });
    EXPECT_EQ(next(), std::pair(event::Accepted, kStart));

    services.Post(window, {event::CloseDown + 100, kTables, 0});
    EXPECT_EQ(next(), std::pair(event::CloseDown + 100, kTables));

    // The title-bar close only asks; the caller closes.
    QTimer::singleShot(0, [&] { services.WindowWidget(window)->close(); });
    EXPECT_EQ(next(), std::pair(event::CloseWindow, 0));
    EXPECT_TRUE(services.WindowWidget(window)->isVisible());
    services.Finish(window, {event::CloseWindow, 0, 0}, false);
    EXPECT_TRUE(services.WindowWidget(window)->isVisible());

    // A closing button's default processing asks to close, ahead of the rest.
    services.Post(window, {event::Accepted, kTables, 0});
    services.Finish(window, {event::Accepted, kStart, 0}, true);
    EXPECT_EQ(next(), std::pair(event::CloseWindow, 0));
    services.Finish(window, {event::CloseWindow, 0, 0}, true);
    EXPECT_EQ(services.WindowWidget(window), nullptr);
    EXPECT_EQ(services.NextEvent(window), std::nullopt);
}

TEST_F(SampleWindow, AlertKeysArriveAsEventsOfTheirControl) {
    struct Case {
        const char* what;
        int control;
        std::function<void(QWidget*)> act;
        int expected;
    };
    const auto viewport = [](QWidget* list) { return static_cast<QListWidget*>(list)->viewport(); };
    const Case cases[] = {
        {"Enter in an entry", kName, [](QWidget* w) { PressKey(w, Qt::Key_Return); }, key::Enter},
        {"Enter on the keypad", kName, [](QWidget* w) { PressKey(w, Qt::Key_Enter); }, key::Enter},
        {"Esc in a list", kTables, [](QWidget* w) { PressKey(w, Qt::Key_Escape); }, key::Esc},
        {"double-click on a row", kTables, [&](QWidget* w) { DoubleClick(viewport(w)); },
         key::LeftDoubleClick},
    };
    ASSERT_EQ(services.NextEvent(window)->number, event::OpenWindow);
    services.SetAlertKeys(window, kName, {key::Enter});
    services.SetAlertKeys(window, kTables, {key::Esc, key::LeftDoubleClick});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act(Widget(c.control));
        const std::optional<Event> event = services.NextEvent(window);
        ASSERT_TRUE(event);
        EXPECT_EQ(event->number, event::AlertKey);
        EXPECT_EQ(event->control, c.control);
        EXPECT_EQ(event->key, c.expected);
    }

    // A key the control was not given stays the control's own.
    PressKey(Widget(kName), Qt::Key_Escape);
    services.Post(window, {event::CloseDown, 0, 0});
    EXPECT_EQ(services.NextEvent(window)->number, event::CloseDown);
}

TEST_F(SampleWindow, SelectChoiceAndDisable) {
    EXPECT_EQ(services.Choice(window, kTables), 0);
    services.Select(window, kTables, 2);
    EXPECT_EQ(services.Choice(window, kTables), 2);
    services.Select(window, kTables, 9);  // past the rows: the choice stays
    EXPECT_EQ(services.Choice(window, kTables), 2);
    services.Disable(window, kStart);
    EXPECT_FALSE(Widget(kStart)->isEnabled());
}

TEST(QtCursor, WaitCursorGivesWayToTheArrowInABox) {
    QtWindowServices services;
    services.SetCursor(Cursor::Wait);
    services.SetCursor(Cursor::Wait);  // once is enough to undo twice
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Qt::CursorShape inBox = Qt::WaitCursor;
    WhenBoxShows driver([&](QMessageBox* box) {
        inBox = QApplication::overrideCursor()->shape();
        box->buttons().front()->click();
    });
    services.Show(MessageBox{});
    EXPECT_EQ(inBox, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    services.SetCursor(Cursor::Arrow);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtWindow, MissingIconAndWallpaperFilesLeaveTheWindowPlain) {
    QtWindowServices services;
    services.SetDefaultIcon("DatabaseImport.ico");
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    WindowDescription description;
    description.icon = "chybi.ico";
    description.wallpaper = "chybi.jpg";
    description.width = 40;
    description.height = 20;
    const WindowId window = services.Open(description);
    QWidget* top = services.WindowWidget(window);
    ASSERT_NE(top, nullptr);
    top->show();
    const QImage shot = top->grab().toImage();
    EXPECT_EQ(shot.pixelColor(2, 2), top->palette().color(QPalette::Window));
}

struct BoxCase {
    const char* what;   // names the test case
    std::string named;  // windows-1250
    int buttons;
    const char* press;  // UTF-8 caption; none: the box is closed instead
    int expected;
};

void PrintTo(const BoxCase& c, std::ostream* out) { *out << c.what; }

class QtMessageBox : public ::testing::TestWithParam<BoxCase> {
protected:
    void SetUp() override {
        WriteSetting(setting::Buttons,
                     "OK,&Ano,&Ne,&Přeruš,&Znovu,&Ignoruj,&Storno,&Pomoc"_w1250.str());
    }
    void TearDown() override { ResetSettings(); }
    QtWindowServices services;
};

TEST_P(QtMessageBox, ReturnsThePressedButton) {
    const BoxCase& c = GetParam();
    QStringList captions;
    WhenBoxShows driver([&](QMessageBox* box) {
        captions = Captions(box);
        if (!c.press) return (void)box->close();
        QAbstractButton* button = ButtonCaptioned(box, Utf8(c.press));
        ASSERT_NE(button, nullptr) << c.press;
        button->click();
    });
    MessageBox box;
    box.text = "Tabulka TEST_DAT existuje.|Pokračovat?"_w1250.str();
    box.caption = "Test"_w1250.str();
    box.icon = std::string(icon::Question);
    box.named = c.named;
    box.buttons = c.buttons;
    EXPECT_EQ(services.Show(box), c.expected);
    EXPECT_TRUE(driver.Seen());
    const QStringList shown = c.named.empty()
                                  ? QStringList({Utf8("&Ano"), Utf8("&Ne")})
                                  : QStringList({Utf8("&Pokračovat"), Utf8("&Ukončit")});
    EXPECT_EQ(captions, shown);
}

const std::string kNamed = "&Pokračovat|&Ukončit"_w1250.str();
INSTANTIATE_TEST_SUITE_P(
    Cases, QtMessageBox,
    ::testing::Values(BoxCase{"FirstNamed", kNamed, 0, "&Pokračovat", 1},
                      BoxCase{"SecondNamed", kNamed, 0, "&Ukončit", 2},
                      BoxCase{"NamedClosedGivesTheLast", kNamed, 0, nullptr, 2},
                      BoxCase{"Yes", "", button::Yes | button::No, "&Ano", button::Yes},
                      BoxCase{"No", "", button::Yes | button::No, "&Ne", button::No},
                      BoxCase{"ClosedGivesNo", "", button::Yes | button::No, nullptr, button::No}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.what); });

TEST(QtMessageBoxIcon, AMissingIconFileStillShowsTheBox) {
    QtWindowServices services;
    bool hadIcon = true;
    QString text;
    WhenBoxShows driver([&](QMessageBox* box) {
        hadIcon = !box->iconPixmap().isNull();
        text = box->text();
        EXPECT_TRUE(box->grab().save(ArtifactPath("message_box.png")));
        box->buttons().front()->click();
    });
    MessageBox box;
    box.text = "Server neodpovídá.||Zkuste to později."_w1250.str();
    box.icon = "warning2.ico";
    EXPECT_EQ(services.Show(box), button::Ok);
    EXPECT_TRUE(driver.Seen());
    EXPECT_FALSE(hadIcon);
    EXPECT_EQ(text, Utf8("Server neodpovídá.\n\nZkuste to později."));
}

TEST(QtHaltDeathTest, ShowsTheHaltBoxThenEndsWithTheExitCode) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QtWindowServices services;
            WhenBoxShows driver([](QMessageBox* box) {
                std::fprintf(stderr, "[%s] %s\n", qPrintable(box->windowTitle()),
                             qPrintable(box->text()));
                box->buttons().front()->click();
            });
            services.Halt(3, "Chybí ovladač ODBC."_w1250);
        },
        ::testing::ExitedWithCode(3), "\\[Halt\\] Chyb.* ODBC");
}

}  // namespace
}  // namespace dbprobe::platform
