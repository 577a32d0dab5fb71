#pragma once

#include <QHash>
#include <QMainWindow>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/shell/shell_state.h"
#include "engine/import/open_command.h"
#include "engine/settings/program_settings.h"
#include "gui/shell/open_dialog.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QSpinBox;
class QToolButton;

namespace tarvo {
struct CommandEntry;
}

namespace tarvo::gui {

class ArrayPicture;
class MessageBoxMessenger;

// The main window: the menus and tool bar with every command of the
// program, the information panel about the dataset, the header fields the
// operator edits, the set list and the line-hiding controls. It owns the
// shell state (options, Res/IP mode, recent directories) and runs the open
// command. Other windows follow it through the signals below.
class TMain : public QMainWindow, private DatasetObserver {
  Q_OBJECT

public:
  // Where the program lives (the sequence template tarvo.bin) and where its
  // settings file is kept; no settings are read or written without the
  // latter.
  struct Paths {
    QString programDir;
    QString settingsDir;
  };

  // Shows the open dialog; tests put their own choice in.
  using FileDialog = std::function<std::optional<OpenDialogChoice>(const OpenDialogSetup&)>;

  explicit TMain(TDataset& dataset, Paths paths = {}, QWidget* parent = nullptr);
  ~TMain() override;

  static QString CaptionText();

  TDataset& Dataset() { return dataset_; }
  ShellState& Shell() { return shell_; }
  const OpenResult& LastOpenResult() const { return lastResult_; }
  // The sequence template tarvo.bin in the program directory.
  std::string TemplatePath() const;

  // The action of a command by its name ("aOpen", "aRes2dInv", ...).
  QAction* Command(const QString& name) const;

  // Gives a command its work once the window that does it exists: the
  // action is connected to `work` and from then on enabled by its rule in
  // the command table (engine/shell/command_table.h); until then it stays
  // disabled and says it is not available. A name the table does not carry
  // is a programming error: it stops a debug build, and otherwise is
  // reported (qCritical) and refused (false).
  bool ProvideCommand(const QString& name, std::function<void()> work);

  void SetFileDialog(FileDialog dialog) { fileDialog_ = std::move(dialog); }
  // Messages of the engine go to `messenger` (message boxes when null).
  void SetMessenger(Messenger* messenger);
  // The number dialog that readers ask (the iteration of an inversion result).
  void SetNumberAsker(NumberAsker* asker) { numberAsker_ = asker; }
  // The operator as the engine sees it: the messenger set above, or message boxes.
  Messenger& OperatorMessenger() { return CurrentMessenger(); }

  // Windows that keep sections of their own in the settings file.
  void AddSettingsOwner(SettingsOwner* owner) { settingsOwners_.push_back(owner); }
  // Reads the settings file; run once every window exists.
  void LoadSettings();
  // Writes the settings file; run when the window closes.
  bool SaveSettings();

  // "Open" (or "Append") with the dialog.
  void OpenBtnClick(OpenCaller caller = OpenCaller::Open);
  // Opens files named without the dialog (command line, dropped files): the
  // type of each comes from its extension or first line; files of one type
  // in a row are read together, the first group opens and the others append.
  void OpenFiles(const QStringList& files);

  // Runs the open command without the dialog: the rebuild after electrode
  // edits or of a generated sequence, and the read-back of a file a
  // transform has written. The windows refresh as after any read.
  void ReadWithoutDialog(const OpenRequest& request);

  // An export wrote `path` (`points` data points): the status bar says so,
  // and the next save dialog starts in its folder.
  void ExportWritten(const std::string& path, int points);
  // Where save dialogs start: the folder of the last export, else the open
  // dialog's directory.
  QString ExportDirectory() const;

  // Refreshes the information panel from the dataset.
  void ShowSummary(bool fromTableWindow = false);
  // Another window edited the dataset (electrodes, sequences).
  void MarkModified();
  // Another window rebuilt the dataset in memory (the open command's
  // rebuild after electrode edits): the windows refresh as after a read.
  void ApplyRebuild(const OpenResult& result) { ApplyRead(result, OpenCaller::RebuildAfterEdits); }

signals:
  // After every read, failed or not; LastOpenResult() tells what suits the
  // data. The table window refills and places itself to the right of this
  // window here; the configuration and section windows rebuild.
  void DatasetRead();
  void SetSelectionChanged();      // a set was selected, or the selection cleared (-1)
  void XShiftChanged();            // the X shift of the electrodes changed
  void IPModeChanged(bool on);     // Res/IP
  void RedrawRequested();          // "Data points On/Off" asks the views to redraw
  void HiddenLinesChanged();       // line hiding marked or unmarked points
  void SettingsLoaded();           // thresholds and options may have changed
  void ProgramEnding();            // the window closed for good: the settings are written, the tool windows closed

protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BadCountChanged() override;

  QAction* AddCommand(const CommandEntry& entry);
  // Enables every command whose work exists by its rule in the command table.
  void RefreshCommandStates();
  void BuildCommands();
  void BuildMenus();
  void BuildToolBars();
  void BuildPanel();
  void SyncOptionActions();
  void RebuildRecentMenus(const std::vector<std::string>& captions);
  void ReopenClick(const QString& caption);
  void RunRead(const OpenRequest& request);
  void ApplyRead(const OpenResult& result, OpenCaller caller);
  void ApplyEnabling(const CommandEnabling& e);
  void ShowDataControls(bool on);
  void FillSetList();
  void SetListChanged();
  void ClearSetSelection();
  void UpdateModifiedPanel();
  void UpdateQuadripoles();
  void HiddenLinesMoved(bool last, int position);
  Messenger& CurrentMessenger();

  TDataset& dataset_;
  Paths paths_;
  ShellState shell_;
  OpenResult lastResult_;
  ReaderTable readers_;
  FileDialog fileDialog_;
  std::unique_ptr<MessageBoxMessenger> boxes_;
  Messenger* messenger_ = nullptr;
  NumberAsker* numberAsker_ = nullptr;
  std::unique_ptr<DialogFileChooser> chooser_;
  std::vector<SettingsOwner*> settingsOwners_;

  QHash<QString, QAction*> commands_;
  QSet<QString> provided_;             // commands whose work exists
  CommandEnabling enabling_;           // what the last read found suitable
  int recentMenuEntries_ = 0;          // entries of the recent-directories menus

  QMenu* recentMenu_ = nullptr;        // the Open button's drop-down
  QMenu* reopenMenu_ = nullptr;        // File > "MRUD"
  QActionGroup* interpolationGroup_ = nullptr;
  QActionGroup* topoGroup_ = nullptr;
  QActionGroup* ipUnitGroup_ = nullptr;

  QWidget* dataPanel_ = nullptr;       // every control shown only with data
  QLabel* placeholder_ = nullptr;
  QLabel* profP_ = nullptr;
  QLabel* modifiedP_ = nullptr;
  QLabel* typeDocP_ = nullptr;
  QLabel* typeVueP_ = nullptr;
  QLabel* statusP_ = nullptr;
  QLabel* alphaP_ = nullptr;
  QCheckBox* absCheck_ = nullptr;
  QLabel* authorL_ = nullptr;
  QLineEdit* authorT_ = nullptr;
  QLabel* lineL_ = nullptr;
  QLineEdit* lineT_ = nullptr;
  QLabel* areaL_ = nullptr;
  QLineEdit* areaT_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QLabel* electrodesL_ = nullptr;
  QLabel* aL_ = nullptr;
  QLabel* quadripolesL_ = nullptr;
  QLabel* sequenceL_ = nullptr;
  QLabel* arrayL_ = nullptr;
  QLabel* rL_ = nullptr;
  QLabel* abL_ = nullptr;
  QLabel* lengthL_ = nullptr;
  QLabel* overlappingL_ = nullptr;
  QLabel* nOverlapL_ = nullptr;
  QLabel* badPointsL_ = nullptr;
  QLabel* nbadL_ = nullptr;
  QLabel* dataL_ = nullptr;
  QListWidget* listBox_ = nullptr;
  QWidget* hidingRow_ = nullptr;
  QLineEdit* shiftE_ = nullptr;
  QSpinBox* upDown_ = nullptr;
  QSpinBox* upDown2_ = nullptr;
  std::vector<ArrayPicture*> pictures_;
  bool filling_ = false;               // the window itself is writing into the controls
  bool closed_ = false;                // closed for good; the settings are written once
};

}  // namespace tarvo::gui
