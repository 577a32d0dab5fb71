#pragma once

#include <QDialog>
#include <QFont>

#include <functional>
#include <optional>

#include "engine/core/messenger.h"
#include "engine/display/display_state.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tarvo::gui {

class ColorPreview;

// "Section options": the presentation options of the pseudosection panels,
// a form over the shared SectionOptions record and colour table. The check
// boxes become the options when the dialog closes with OK; texts, the depth
// scale, the manual range and the colours act at once, as every panel reads
// them when it next draws.
class TSectionOptionDlg : public QDialog {
  Q_OBJECT

public:
  // Chooses a colour starting from the given one; none when cancelled.
  using ColorChooser = std::function<std::optional<QColor>(const QColor&)>;
  // Chooses a levels file to open (save false) or to write (save true),
  // starting at the given file; none when cancelled.
  using FileChooser = std::function<std::optional<QString>(bool save, const QString& start)>;
  using FontChooser = std::function<std::optional<QFont>(const QFont&)>;

  TSectionOptionDlg(DisplayState& display, Messenger& messenger, QWidget* parent = nullptr);

  void SetColorChooser(ColorChooser c) { chooseColor_ = std::move(c); }
  void SetFileChooser(FileChooser c) { chooseFile_ = std::move(c); }
  void SetFontChooser(FontChooser c) { chooseFont_ = std::move(c); }

  // The panels' font; they take it when the dialog closes with OK.
  QFont PanelFont() const { return font_; }
  void SetPanelFont(const QFont& font) { font_ = font; }

  // The controls, for the windows' tests.
  QCheckBox* Box(const char* name) const;
  QLineEdit* Edit(const char* name) const;
  QSpinBox* ColorCount() const { return colN_; }
  QRadioButton* FillButton(FillColors fill) const;
  QPushButton* Button(const char* name) const;
  ColorPreview* Preview() const { return preview_; }
  QLabel* FileLabel() const { return lbFile_; }

  // A click on the preview at height y: the colour under it is chosen anew.
  void PreviewClicked(int y);

signals:
  // The colour table changed (every map redraws).
  void ColorsChanged();
  // The dialog closed with OK: the options may have changed.
  void OptionsAccepted();

protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

private:
  void FormShow();
  void RangeEdited(QLineEdit* edit, QCheckBox* box);
  void LeaveRange(QLineEdit* edit, QCheckBox* box, float& stored);
  void SetTextGrey(QLineEdit* edit, bool grey);
  void FillColorClick(FillColors fill);
  void CountChanged(int position);
  void PanelColorClick(PaletteColor SectionOptions::*which, bool middle);
  void SaveLevelsClick();
  void LoadLevelsClick();
  void RefreshColors();
  void ShowPanelColors();
  void EnableGradientControls();

  DisplayState& display_;
  Messenger& messenger_;
  QFont font_;
  ColorChooser chooseColor_;
  FileChooser chooseFile_;
  FontChooser chooseFont_;
  QLineEdit* typing_ = nullptr;  // the range edit being typed in

  QLineEdit* ab2_ = nullptr;
  QLineEdit* pseudo_ = nullptr;
  QLineEdit* rokStr_ = nullptr;
  QLineEdit* ipName_ = nullptr;
  QRadioButton* linear_ = nullptr;
  QRadioButton* logarithmic_ = nullptr;
  QLineEdit* editMin_ = nullptr;
  QLineEdit* editMax_ = nullptr;
  QCheckBox* minBox_ = nullptr;
  QCheckBox* maxBox_ = nullptr;
  QLabel* lbFile_ = nullptr;
  QCheckBox* fileBox_ = nullptr;
  QButtonGroup* fillGroup_ = nullptr;
  QSpinBox* colN_ = nullptr;
  QFrame* minPanel_ = nullptr;
  QFrame* midPanel_ = nullptr;
  QFrame* maxPanel_ = nullptr;
  QPushButton* minButton_ = nullptr;
  QPushButton* midButton_ = nullptr;
  QPushButton* maxButton_ = nullptr;
  QCheckBox* midBox_ = nullptr;
  ColorPreview* preview_ = nullptr;
};

// The colour table as a column of boxes, the highest colour at the top; a
// left click picks the colour under the mouse.
class ColorPreview : public QWidget {
  Q_OBJECT

public:
  ColorPreview(const ColorTable& colors, QWidget* parent);
  QSize sizeHint() const override { return {36, 180}; }

signals:
  void Clicked(int y);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  const ColorTable& colors_;
};

}  // namespace tarvo::gui
