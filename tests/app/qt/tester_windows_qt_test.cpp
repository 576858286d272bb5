// The tester's two windows on the real Qt window services (offscreen): every
// control where its description puts it, the Czech texts shown, nothing cut
// off, and a screenshot of each for a person to look at.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QWidget>
#include <filesystem>

#include "app/main_window.h"
#include "app/picker.h"
#include "framework/platform/core/encoding.h"
#include "framework/platform/qt/dialog_units.h"
#include "framework/platform/qt/qt_window_services.h"

namespace dbprobe::app {
namespace {

QString Shown(const std::string& w1250) { return QString::fromStdString(platform::ToUtf8(w1250)); }

void SaveScreenshot(QWidget* window, const char* name) {
    std::filesystem::create_directories(DBPROBE_TEST_ARTIFACTS);
    const std::string path = std::string(DBPROBE_TEST_ARTIFACTS) + "/" + name;
    EXPECT_TRUE(window->grab().save(QString::fromStdString(path))) << path;
}

// Each control at its converted place, its text shown in full.
void CheckControls(platform::QtWindowServices& services, platform::WindowId id,
                   const platform::WindowDescription& description) {
    const platform::DialogUnits units(platform::MakeFont(description.font));
    for (const platform::Control& c : description.controls) {
        SCOPED_TRACE(c.label);
        QWidget* widget = services.ControlWidget(id, c.number);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->x(), units.X(c.x));
        EXPECT_EQ(widget->y(), units.Y(c.y));
        if (c.width != platform::kAuto) {
            EXPECT_EQ(widget->width(), units.X(c.width));
        }
        if (c.height != platform::kAuto) {
            EXPECT_EQ(widget->height(), units.Y(c.height));
        }
        if (auto* label = qobject_cast<QLabel*>(widget); label && c.variable.data == nullptr) {
            QString expected = Shown(c.text);
            EXPECT_EQ(label->text(), expected);
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text().remove('&')), label->width())
                << "cut off: " << label->text().toStdString();
        }
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), Shown(c.text));
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text().remove('&')), button->width());
        }
        // Inside the window.
        EXPECT_LE(widget->x() + widget->width(), services.WindowWidget(id)->width());
        EXPECT_LE(widget->y() + widget->height(), services.WindowWidget(id)->height());
    }
}

TEST(TesterWindowsQtTest, TheMainWindowAsDescribed) {
    platform::QtWindowServices services;
    MainWindow window;
    const platform::WindowId id = services.Open(window.Description());
    ASSERT_EQ(services.NextEvent(id)->number, platform::event::OpenWindow);
    QWidget* shown = services.WindowWidget(id);
    EXPECT_EQ(shown->windowTitle(), QString("Test kompatibilty SQL"));
    CheckControls(services, id, window.Description());
    auto* welcome = qobject_cast<QLabel*>(services.ControlWidget(id, mainctl::Welcome));
    ASSERT_NE(welcome, nullptr);
    EXPECT_EQ(welcome->text(), QString::fromUtf8("Vítejete !"));
    EXPECT_TRUE(welcome->font().bold());
    SaveScreenshot(shown, "main_window.png");
}

TEST(TesterWindowsQtTest, ThePickerListsTheDataSources) {
    platform::QtWindowServices services;
    const std::vector<PickerRow> rows = ListDataSources();
    std::vector<std::string> display;
    for (const PickerRow& row : rows) display.push_back(row.display);
    const platform::WindowDescription description = PickerDescription(display);
    const platform::WindowId id = services.Open(description);
    ASSERT_EQ(services.NextEvent(id)->number, platform::event::OpenWindow);
    services.Redisplay(id);
    CheckControls(services, id, description);
    auto* list = qobject_cast<QListWidget*>(services.ControlWidget(id, 2));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), static_cast<int>(rows.size()));
    // The data sources scripts/test sets up, when this run has them.
    if (std::getenv("DBPROBE_DSNS") != nullptr) {
        const QList<QListWidgetItem*> sqlite = list->findItems(" dbprobe-sqlite (", Qt::MatchStartsWith);
        EXPECT_EQ(sqlite.size(), 1);
    }
    SaveScreenshot(services.WindowWidget(id), "picker.png");
}

}  // namespace
}  // namespace dbprobe::app
