#include <QApplication>
#include <QStringList>

#include <cstdlib>
#include <string>

#include "engine/core/dataset.h"
#include "gui/editing/number_dialog.h"
#include "gui/editing/table_window.h"
#include "gui/export/converter_commands.h"
#include "gui/import/inversion_result_commands.h"
#include "gui/sequences/sequence_commands.h"
#include "engine/display/display_state.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/section_options_settings.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"
#include "gui/views/contour_commands.h"
#include "gui/views/section_option_dlg.h"
#include "gui/views/section_window.h"

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarvo"));

  // The program directory holds the sequence template; the settings file
  // stays there when it can be written, else goes to the user's
  // configuration directory.
  const QString programDir = QCoreApplication::applicationDirPath();
  const std::string settingsDir = tarvo::ChooseSettingsDirectory(
      tarvo::gui::ToEnginePath(programDir), Environment("XDG_CONFIG_HOME"), Environment("HOME"));

  // The one survey dataset of the program; every window shows this instance.
  tarvo::TDataset dataset;
  tarvo::gui::TMain mainWindow(dataset, {programDir, tarvo::gui::FromEnginePath(settingsDir)});
  // Every window of the program carries the program's icon.
  QApplication::setWindowIcon(mainWindow.windowIcon());
  // The colour table, section options and range multipliers of every map;
  // the configuration window gives the first maps their 21 pale colours.
  tarvo::DisplayState display;
  tarvo::gui::TSectForm sectionWindow(dataset, display);
  tarvo::gui::TTableForm tableWindow(dataset);
  tarvo::gui::AttachTableWindow(mainWindow, tableWindow);
  tarvo::gui::TOKBottomDlg numberDialog(&mainWindow);
  tarvo::gui::DialogNumberAsker numbers(numberDialog);
  tarvo::gui::AttachInversionResultCommands(mainWindow, tableWindow, numbers);
  tarvo::gui::AttachConverterCommands(mainWindow);
  tarvo::gui::AttachSequenceCommands(mainWindow);
  tarvo::gui::TSectionOptionDlg sectionOptions(display, mainWindow.OperatorMessenger(), &mainWindow);
  tarvo::SectionOptionsSettings sectionOptionsSettings(display.Options);
  mainWindow.AddSettingsOwner(&sectionOptionsSettings);
  tarvo::gui::ContourCommands* contours = tarvo::gui::AttachContourCommands(mainWindow, display, &sectionOptions);
  tarvo::gui::AttachSectionWindow(mainWindow, tableWindow, sectionWindow, contours);
  // Windows created after the main window register their settings and
  // commands here (AddSettingsOwner, ProvideCommand) before the settings load.
  mainWindow.LoadSettings();
  // The program ends with its main window, whatever tool window is open.
  QObject::connect(&mainWindow, &tarvo::gui::TMain::ProgramEnding, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  mainWindow.show();

  // Files named on the command line open as if dropped on the window.
  QStringList files = QCoreApplication::arguments();
  files.removeFirst();
  if (!files.isEmpty()) mainWindow.OpenFiles(files);
  return QApplication::exec();
}
