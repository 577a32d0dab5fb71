#include <QApplication>
#include <QStringList>

#include <cstdlib>
#include <string>

#include "engine/core/dataset.h"
#include "gui/editing/electrode_commands.h"
#include "engine/settings/ip_parameter_settings.h"
#include "gui/editing/ip_parameters_window.h"
#include "gui/editing/median_windows.h"
#include "gui/editing/number_dialog.h"
#include "gui/editing/table_window.h"
#include "gui/export/converter_commands.h"
#include "gui/import/inversion_result_commands.h"
#include "gui/sequences/sequence_commands.h"
#include "engine/display/display_state.h"
#include "engine/settings/median_settings.h"
#include "engine/settings/program_settings.h"
#include "engine/settings/section_options_settings.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"
#include "gui/views/contour_commands.h"
#include "gui/views/graph_window.h"
#include "gui/views/ip_chart_window.h"
#include "gui/views/pseudo_panels_window.h"
#include "gui/views/section_option_dlg.h"
#include "gui/views/section_window.h"
#include "gui/views/sp_window.h"

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
  tarvo::gui::AttachElectrodeCommands(mainWindow, tableWindow, &sectionWindow);
  // The charts: "SP" behind "sp", the IP parameters and the decay chart
  // behind the table window's "Decay chart" ("P&C effects" lives in the
  // median window, below).
  tarvo::gui::TSPform spForm(dataset, &mainWindow);
  tarvo::gui::AttachSPWindow(mainWindow, spForm);
  tarvo::gui::TIPform ipForm(dataset, &mainWindow);
  tarvo::IPParameterSettings ipSettings(dataset);
  mainWindow.AddSettingsOwner(&ipSettings);
  QObject::connect(&mainWindow, &tarvo::gui::TMain::SettingsLoaded, &ipForm, [&ipForm] { ipForm.ShowSchedule(); });
  tarvo::gui::TIPchartForm ipChart(dataset, ipForm, &mainWindow);
  tarvo::gui::AttachIPChart(mainWindow, tableWindow, ipChart, &sectionWindow);
  // The pseudo-section panels: the modal window of "Section" (aMany) and the
  // small one beside the configuration window (aManySmall).
  tarvo::gui::TSectXform panelsWindow(dataset, display, &mainWindow);
  tarvo::gui::TSmallSectXform smallPanelsWindow(dataset, display, &mainWindow);
  tarvo::gui::AttachPanelsWindows(mainWindow, panelsWindow, smallPanelsWindow, sectionWindow, &sectionOptions);
  // "Filtering": the median filters of resistivity and chargeability.
  tarvo::MedianSettings medianSettings;
  tarvo::MedianIPSettings medianIPSettings;
  tarvo::MedianFilterSettings medianFilterSettings(medianSettings, medianIPSettings);
  mainWindow.AddSettingsOwner(&medianFilterSettings);
  tarvo::gui::TmedianIPform medianIPform(dataset, display, medianIPSettings, &mainWindow);
  tarvo::gui::TmedianXform medianXform(dataset, display, medianSettings, &mainWindow);
  medianIPform.SetSectionOptions(&sectionOptions);
  medianXform.SetSectionOptions(&sectionOptions);
  tarvo::gui::AttachMedianFilters(mainWindow, medianXform, medianIPform);
  tarvo::gui::AttachEffectsCharts(medianXform);
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
