#pragma once

// What the tests of the scheduler's windows share: a task file written for the test, the
// scheduler's state on a fake clock and a fake movie maker, and the window on top of it.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QTableWidget>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "scheduler/fakes.h"
#include "scheduler/scheduler_state.h"
#include "support/temp_dir.h"
#include "ui/scheduler/frm_main.h"
#include "ui/support/window_test_support.h"

namespace chronoreel::testing {

// One task of a task file written by a test: its section's lines besides the name and the
// minutes, in the file's own form ("SetupFile=/cam/roof.tls").
struct TaskLines {
    std::string name;
    std::vector<int> minutesOn;
    std::vector<std::string> lines;
};

class SchedulerWindowTest : public ::testing::Test {
  protected:
    static constexpr const char* kMovieMaker = "/opt/chronoreel/chronoreel";

    SchedulerWindowTest() { Application(); }
    ~SchedulerWindowTest() override {
        window.reset();
        QApplication::processEvents();
    }

    std::string TaskFilePath() const { return dir / "ChronoreelScheduler.INI"; }
    std::string TaskFileText() const { return ReadText(TaskFilePath()); }

    void WriteTaskFile(std::initializer_list<TaskLines> tasks) {
        std::string text = "[General]\nTaskCount=" + std::to_string(tasks.size()) +
                           "\nChronoreelPath=" + kMovieMaker + "\n";
        int index = 1;
        for (const TaskLines& task : tasks) {
            std::string mask(1440, '0');
            for (const int minute : task.minutesOn) {
                mask[static_cast<std::size_t>(minute)] = '1';
            }
            char section[32];
            std::snprintf(section, sizeof section, "[Task%03d]\n", index++);
            text += section;
            text += "Name=" + task.name + "\nSetupTimes=" + mask + "\n";
            for (const std::string& line : task.lines) {
                text += line + "\n";
            }
        }
        WriteText(TaskFilePath(), text);
    }

    // Loads the task file and opens the window (Form_Load, with its first tick).
    ui::scheduler::FrmMain& Open() {
        state.Main(TaskFilePath(), kMovieMaker);
        window = std::make_unique<ui::scheduler::FrmMain>(ui::scheduler::SchedulerWindowContext{
            state, prompter, clock, [this] { return trayAvailable; }});
        window->Load();
        return *window;
    }

    template <class T>
    T* Find(const char* name) const {
        return Control<T>(*window, name);
    }

    // Chooses an entry of a combo box as a user would.
    void Choose(const char* comboName, int index) {
        QComboBox* combo = Find<QComboBox>(comboName);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    std::set<int> SelectedMinutes() const {
        std::set<int> minutes;
        const auto* list = Find<QAbstractItemView>("lstSelectTimes");
        for (const QModelIndex& index : list->selectionModel()->selectedIndexes()) {
            minutes.insert(index.row());
        }
        return minutes;
    }

    // The grid's rows as texts.
    std::vector<std::vector<std::string>> GridRows() const {
        std::vector<std::vector<std::string>> rows;
        const auto* grid = Find<QTableWidget>("FGTasks");
        for (int row = 0; row < grid->rowCount(); ++row) {
            std::vector<std::string> cells;
            for (int column = 0; column < grid->columnCount(); ++column) {
                const QTableWidgetItem* cell = grid->item(row, column);
                cells.push_back(cell != nullptr ? cell->text().toStdString() : std::string());
            }
            rows.push_back(cells);
        }
        return rows;
    }

    TempDir dir;
    FakeClock clock{MakeDateTime(2026, 3, 1, 7, 58, 30)};
    FakeLauncher launcher;
    ScriptedPrompter prompter;
    SchedulerState state{launcher, clock};
    bool trayAvailable = false;
    std::unique_ptr<ui::scheduler::FrmMain> window;
};

}  // namespace chronoreel::testing
