// The settings dialog "设置": automatic preview and how many rows it covers, the
// list's background and text colours, the list font, and how tag text is written
// ("ID3v2写入编码") and how old tag text is read ("旧标签编码"). It edits its own controls
// only; "应用" and "确定" store them into AppSettings and then call the main window's
// apply step. The enabled state of "应用" is the dialog's record of unstored changes.
#pragma once

#include <QDialog>
#include <QSpinBox>
#include <QFont>
#include <functional>
#include <optional>
#include <string>

#include "core/settings/app_settings.h"
#include "ui/colour_button.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace tessarn {

class NumberBox;

class SettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // Returns the chosen font, or nothing when the user cancelled.
  using FontChooser = std::function<std::optional<QFont>(const QFont& initial, QWidget* parent)>;

  // `applyToList` runs after every store (the main window's ApplySettingsToList).
  SettingsDialog(AppSettings& settings, std::function<void()> applyToList,
                 QWidget* parent = nullptr);

  // Tests put their own choosers in place of QColorDialog and QFontDialog.
  void SetColourChooser(const ColourButton::Chooser& chooser);
  void SetFontChooser(FontChooser chooser) { fontChooser_ = std::move(chooser); }

  // What the invisible font chooser holds between uses.
  struct FontChoice {
    std::string face;  // GB18030
    int size = 10;
    bool bold = false;
    bool italic = false;
  };
  const FontChoice& fontChoice() const { return font_; }

 private:
  void BuildControls();
  QWidget* BuildTagControls();
  QWidget* BuildHistoryControls();
  void ShowTagEncodings(TagWriteEncoding write, LegacyEncoding legacy);
  void Fill();
  void ApplyEnablingRule();
  void OnCountTextChanged();
  void ChooseFont();
  void RestoreDefaults();
  void Store();
  void OnApply();
  void OnOk();

  AppSettings& settings_;
  std::function<void()> applyToList_;
  FontChooser fontChooser_;
  FontChoice font_;
  bool countMarked_ = false;

  QCheckBox* autoPreview_ = nullptr;
  QRadioButton* previewCount_ = nullptr;
  NumberBox* countBox_ = nullptr;
  QRadioButton* previewAll_ = nullptr;
  ColourButton* backColour_ = nullptr;
  ColourButton* textColour_ = nullptr;
  QPushButton* fontButton_ = nullptr;
  QRadioButton* writeUnicode_ = nullptr;
  QRadioButton* writeGbk_ = nullptr;
  QComboBox* legacyEncoding_ = nullptr;
  QSpinBox* historyLimit_ = nullptr;
  QPushButton* defaultButton_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* applyButton_ = nullptr;
};

}  // namespace tessarn
