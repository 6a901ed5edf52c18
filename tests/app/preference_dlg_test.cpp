#include "app/settings/preference_dlg.h"
#include "app/processing/codec_limits.h"
#include "app/processing/encoding_settings.h"
#include "app/processing/job_settings.h"
#include "app/processing/presets.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/settings/session_choices.h"
#include "app/processing/templates/template_store.h"
#include "app/settings/general_conf_dlg.h"
#include "app/settings/video_audio_setting_dlg.h"
#include "tests/app/engine_fixture.h"
#include "tests/app/modal_driver.h"
#include "tests/app/named_control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

#include <iterator>
#include <vector>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

QStringList Items(QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

EncodingSettings StoredEncoding() {
  QSettings profile(kProfileOrganization, kProfileApplication);
  return ReadEncodingSettings(profile);
}

void StoreEncoding(const EncodingSettings& settings) {
  QSettings profile(kProfileOrganization, kProfileApplication);
  WriteEncodingSettings(profile, settings);
}

void Close(CPreferenceDlg& dialog, QDialogButtonBox::StandardButton button) {
  Control<QDialogButtonBox>(dialog, "button_box")->button(button)->click();
}

// A first start's data folder (preferences, demo template) in a fresh home.
class PreferenceDlgTest : public EngineTest {
 protected:
  QString PreferencesPath() const { return DataFile(kPreferencesFileName); }
};

TEST_F(PreferenceDlgTest, AFirstStartShowsMp4H264AacAutoAndTheFirstStartPreferences) {
  CPreferenceDlg dialog;
  EXPECT_EQ(Control<QComboBox>(dialog, "container_combo")->currentText(), "MP4");
  EXPECT_EQ(Items(Control<QComboBox>(dialog, "container_combo")),
            QStringList({"MP4", "AVI", "MKV", "3GP", "VP8", "M4V", "MOV", "WebM"}));
  EXPECT_EQ(Control<QComboBox>(dialog, "video_codec_combo")->currentText(), "H264");
  EXPECT_EQ(Control<QComboBox>(dialog, "audio_codec_combo")->currentText(), "AAC");
  for (const char* name : {"frame_rate_combo", "video_bitrate_combo", "aspect_combo", "sample_rate_combo",
                           "audio_bitrate_combo", "volume_combo"})
    EXPECT_EQ(Control<QComboBox>(dialog, name)->currentText(), "Auto") << name;
  EXPECT_FALSE(Control<QCheckBox>(dialog, "disable_audio_check")->isChecked());

  EXPECT_TRUE(Control<QRadioButton>(dialog, "save_to_source_folder")->isChecked());
  EXPECT_FALSE(Control<QPushButton>(dialog, "browse_button")->isEnabled());
  EXPECT_TRUE(Control<QRadioButton>(dialog, "rename")->isChecked());
  EXPECT_EQ(Control<QLineEdit>(dialog, "suffix_edit")->text(), "_new");
  EXPECT_TRUE(Control<QLineEdit>(dialog, "suffix_edit")->isEnabled());
  EXPECT_FALSE(Control<QWidget>(dialog, "format_group")->isVisibleTo(&dialog));
}

TEST_F(PreferenceDlgTest, AviOffersXvidDivxAndMp3AndAStoredH264FallsToXvid) {
  CPreferenceDlg dialog;
  Control<QComboBox>(dialog, "container_combo")->setCurrentText("AVI");
  EXPECT_EQ(Items(Control<QComboBox>(dialog, "video_codec_combo")), QStringList({"Xvid", "Divx"}));
  EXPECT_EQ(Items(Control<QComboBox>(dialog, "audio_codec_combo")), QStringList({"MP3", "Copy"}));
  EXPECT_EQ(Control<QComboBox>(dialog, "video_codec_combo")->currentText(), "Xvid");
  // The page says why H264 and AAC gave way.
  const QString note = Control<QLabel>(dialog, "choice_note")->text();
  EXPECT_TRUE(note.contains("AVI does not hold H264 video; Xvid is chosen.")) << note.toStdString();
  EXPECT_TRUE(note.contains("AVI does not hold AAC audio; MP3 is chosen.")) << note.toStdString();
  EXPECT_TRUE(note.contains("AVI has no place for the headers")) << note.toStdString();
  Close(dialog, QDialogButtonBox::Ok);

  const EncodingSettings stored = StoredEncoding();
  EXPECT_EQ(stored.container, Container::kAvi);
  EXPECT_EQ(stored.videoCodec, VideoCodec::kXvid);
  EXPECT_EQ(stored.audioCodec, AudioCodec::kMp3);
}

// The newer choices: WebM with VP9/AV1/VP8 and Opus/Vorbis, and a stored copy
// that the page shows and keeps through a change of container.
TEST_F(PreferenceDlgTest, WebmOffersTheWebCodecsAndCopyStaysThroughAContainerChange) {
  EncodingSettings stored;
  stored.container = Container::kMov;
  stored.videoCodec = VideoCodec::kHevc;
  stored.audioCodec = AudioCodec::kCopy;
  stored.hardware = HardwareChoice::kQsv;  // not on the page: saved as it was
  StoreEncoding(stored);
  CPreferenceDlg dialog;
  EXPECT_EQ(Control<QComboBox>(dialog, "video_codec_combo")->currentText(), "HEVC");
  EXPECT_EQ(Control<QComboBox>(dialog, "audio_codec_combo")->currentText(), "Copy");
  Control<QComboBox>(dialog, "container_combo")->setCurrentText("WebM");
  EXPECT_EQ(Items(Control<QComboBox>(dialog, "video_codec_combo")), QStringList({"VP9", "AV1", "VP8"}));
  EXPECT_EQ(Items(Control<QComboBox>(dialog, "audio_codec_combo")), QStringList({"Opus", "Vorbis", "Copy"}));
  EXPECT_EQ(Control<QComboBox>(dialog, "audio_codec_combo")->currentText(), "Copy");
  Control<QComboBox>(dialog, "video_codec_combo")->setCurrentText("AV1");
  Close(dialog, QDialogButtonBox::Ok);
  const EncodingSettings written = StoredEncoding();
  EXPECT_EQ(written.container, Container::kWebm);
  EXPECT_EQ(written.videoCodec, VideoCodec::kAv1);
  EXPECT_EQ(written.audioCodec, AudioCodec::kCopy);
  EXPECT_EQ(written.hardware, HardwareChoice::kQsv);
}

TEST_F(PreferenceDlgTest, StoredValuesSelectTheirItemsAndValuesNotListedBecomeAuto) {
  EncodingSettings stored;
  stored.container = Container::kMkv;
  stored.audioCodec = AudioCodec::kMp3;
  stored.frameRate = 27;  // not a listed rate
  stored.sampleRateKhz = 44.1;
  stored.volume = 0;
  StoreEncoding(stored);
  QSettings(kProfileOrganization, kProfileApplication).setValue("CodeSettings/video_bitrate", "AUTO");

  CPreferenceDlg dialog;
  EXPECT_EQ(Control<QComboBox>(dialog, "container_combo")->currentText(), "MKV");
  EXPECT_EQ(Control<QComboBox>(dialog, "audio_codec_combo")->currentText(), "MP3");
  EXPECT_EQ(Control<QComboBox>(dialog, "frame_rate_combo")->currentText(), "Auto");
  EXPECT_EQ(Control<QComboBox>(dialog, "video_bitrate_combo")->currentText(), "Auto");
  EXPECT_EQ(Control<QComboBox>(dialog, "sample_rate_combo")->currentText(), "44.1");
  EXPECT_EQ(Control<QComboBox>(dialog, "volume_combo")->currentText(), "0");
  Close(dialog, QDialogButtonBox::Ok);

  const EncodingSettings saved = StoredEncoding();
  EXPECT_FALSE(saved.frameRate.has_value());
  EXPECT_FALSE(saved.videoBitrateKbps.has_value());
  EXPECT_EQ(saved.sampleRateKhz, 44.1);
  EXPECT_EQ(saved.volume, 0);
  QSettings profile(kProfileOrganization, kProfileApplication);
  EXPECT_EQ(profile.value("CodeSettings/video_framerate").toString(), "auto");
}

// Cancel, Escape and the window's close button discard what was changed; OK
// and Enter keep it.
TEST_F(PreferenceDlgTest, CancelAndEscapeDiscardOkAndEnterKeep) {
  struct Case {
    const char* name;
    void (*close)(CPreferenceDlg& dialog);
    bool kept;
  };
  const Case cases[] = {
      {"cancel", [](CPreferenceDlg& d) { Close(d, QDialogButtonBox::Cancel); }, false},
      {"escape", [](CPreferenceDlg& d) { QTest::keyClick(Control<QLineEdit>(d, "suffix_edit"), Qt::Key_Escape); },
       false},
      {"window_close", [](CPreferenceDlg& d) { d.close(); }, false},
      {"ok", [](CPreferenceDlg& d) { Close(d, QDialogButtonBox::Ok); }, true},
      {"enter", [](CPreferenceDlg& d) { QTest::keyClick(Control<QLineEdit>(d, "suffix_edit"), Qt::Key_Return); }, true},
  };
  const std::string before = ReadFile(PreferencesPath().toStdString());
  const EncodingSettings encodingBefore = StoredEncoding();
  const bool audioDisabledBefore = AudioDisabled();
  ASSERT_NE(encodingBefore.container, Container::kVp8);
  const QString folder = QString::fromStdString(env_.MakeDir("outputs").string());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CPreferenceDlg dialog;
    dialog.show();
    Control<QComboBox>(dialog, "container_combo")->setCurrentText("VP8");
    Control<QLineEdit>(dialog, "suffix_edit")->setText("_marked");
    Control<QRadioButton>(dialog, "save_to_other_folder")->setChecked(true);
    // The folder can be typed as well as chosen.
    QLineEdit* folderEdit = Control<QLineEdit>(dialog, "folder_edit");
    folderEdit->clear();
    QTest::keyClicks(folderEdit, folder);
    Control<QCheckBox>(dialog, "disable_audio_check")->setChecked(true);
    c.close(dialog);
    EXPECT_FALSE(dialog.isVisible());

    const OutputPreferences preferences = ReadOutputPreferences(PreferencesPath());
    if (c.kept) {
      EXPECT_EQ(StoredEncoding().container, Container::kVp8);
      EXPECT_TRUE(AudioDisabled());
      EXPECT_EQ(preferences.outputFileNameSuffix, "_marked");
      EXPECT_EQ(preferences.outputFolderOpts, 1);
      EXPECT_EQ(preferences.outputFolderPath, folder);
    } else {
      EXPECT_EQ(StoredEncoding().container, encodingBefore.container);
      EXPECT_EQ(AudioDisabled(), audioDisabledBefore);
      EXPECT_EQ(ReadFile(PreferencesPath().toStdString()), before);
    }
  }
}

// OK names a value that cannot work and keeps the dialog open, saving nothing.
TEST_F(PreferenceDlgTest, OkNamesAFolderOrSuffixThatCannotWork) {
  const fs::path file = env_.MakeDir("files-here") / "a-file";
  WriteFile(file, "x");
  struct Case {
    const char* folder;  // nullptr: beside the source
    const char* suffix;
    const char* named;  // in the message
  };
  const Case cases[] = {
      {"", "_new", "choose the folder"},
      {"relative/out", "_new", "relative/out"},
      {"/proc/vidmora-outputs", "_new", "/proc/vidmora-outputs"},
      {nullptr, "/../../clips/a", "/../../clips/a"},
  };
  const std::string before = ReadFile(PreferencesPath().toStdString());
  std::vector<Case> all(std::begin(cases), std::end(cases));
  const std::string underFile = (file / "out").string();
  all.push_back({underFile.c_str(), "_new", "a-file"});
  all.push_back({file.c_str(), "_new", "a-file"});
  for (const Case& c : all) {
    SCOPED_TRACE(c.folder ? c.folder : c.suffix);
    CPreferenceDlg dialog;
    dialog.show();
    if (c.folder != nullptr) {
      Control<QRadioButton>(dialog, "save_to_other_folder")->setChecked(true);
      Control<QLineEdit>(dialog, "folder_edit")->setText(c.folder);
    }
    Control<QLineEdit>(dialog, "suffix_edit")->setText(c.suffix);
    QString shown;
    AnswerNextMessage(QMessageBox::Ok, &shown, &dialog);
    Close(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(shown.contains(c.named, Qt::CaseInsensitive)) << shown.toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ReadFile(PreferencesPath().toStdString()), before);
  }
  EXPECT_EQ(ReadFile(file), "x");
}

// Beside the source under its own name, a source already in the chosen
// format is skipped: the page says so as soon as that is chosen.
TEST_F(PreferenceDlgTest, ChoicesThatWouldSkipEveryFileAreWarnedAbout) {
  CPreferenceDlg dialog;
  dialog.show();
  QLabel* warning = Control<QLabel>(dialog, "naming_warning");
  EXPECT_FALSE(warning->isVisible());
  Control<QRadioButton>(dialog, "keep_name")->setChecked(true);
  EXPECT_TRUE(warning->isVisible());
  EXPECT_TRUE(warning->text().contains("skipped"));
  Control<QRadioButton>(dialog, "save_to_other_folder")->setChecked(true);
  EXPECT_FALSE(warning->isVisible());
}

TEST_F(PreferenceDlgTest, SavingChangesOnlyTheElementsTheFileHas) {
  // No suffix element, and an empty folder path written as "<OutputFolderPath/>".
  WriteFile(PreferencesPath().toStdString(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Preferences>\r\n<OutputFolderOpts>1</OutputFolderOpts>\r\n"
            "<OutputFolderPath/>\r\n<OutputFileNameOpts>1</OutputFileNameOpts>\r\n<OutputFormat>0</OutputFormat>\r\n"
            "<JpegQuality>77</JpegQuality>\r\n</Preferences>\r\n");
  CGeneralConfDlg page(PreferencesPath());
  EXPECT_EQ(Control<QLineEdit>(page, "suffix_edit")->text(), "");
  EXPECT_EQ(Control<QLineEdit>(page, "folder_edit")->text(), "");
  EXPECT_TRUE(Control<QPushButton>(page, "browse_button")->isEnabled());

  page.Show(
      {.outputFolderOpts = 1, .outputFolderPath = "/srv/out", .outputFileNameOpts = 1, .outputFileNameSuffix = "_x"});
  ASSERT_TRUE(page.Save());

  const std::string file = ReadFile(PreferencesPath().toStdString());
  EXPECT_EQ(file.find("OutputFileNameSuffix"), std::string::npos) << file;
  const OutputPreferences saved = ReadOutputPreferences(PreferencesPath());
  EXPECT_EQ(saved.outputFolderPath, "/srv/out");
  EXPECT_EQ(saved.jpegQuality, 77);
}

// "Files at once" is newer than the file's other elements: an older file gets
// it after its last element, and only once it is not 1.
TEST_F(PreferenceDlgTest, FilesAtOnceIsShownAndAddedToOlderFilesAfterTheirLastElement) {
  const std::string older =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Preferences>\r\n<OutputFolderOpts>0</OutputFolderOpts>\r\n"
      "<OutputFormat>0</OutputFormat>\r\n<OpenQuickStartDlg>0</OpenQuickStartDlg>\r\n</Preferences>\r\n";
  WriteFile(PreferencesPath().toStdString(), older);
  {
    CGeneralConfDlg page(PreferencesPath());
    EXPECT_EQ(Control<QSpinBox>(page, "files_at_once_spin")->value(), 1);
    ASSERT_TRUE(page.Save());
    EXPECT_EQ(ReadFile(PreferencesPath().toStdString()), older);  // nothing chosen, nothing added
    Control<QSpinBox>(page, "files_at_once_spin")->setValue(3);
    ASSERT_TRUE(page.Save());
  }
  const std::string saved = ReadFile(PreferencesPath().toStdString());
  EXPECT_NE(saved.find("<OpenQuickStartDlg>0</OpenQuickStartDlg>\r\n<FilesAtOnce>3</FilesAtOnce>"), std::string::npos)
      << saved;
  EXPECT_EQ(ReadOutputPreferences(PreferencesPath()).filesAtOnce, 3);
  CGeneralConfDlg again(PreferencesPath());
  EXPECT_EQ(Control<QSpinBox>(again, "files_at_once_spin")->value(), 3);
  // A stored count the window cannot use is read as one file at a time.
  for (const char* stored : {"0", "-2", "17", "x"}) {
    WriteFile(PreferencesPath().toStdString(),
              std::string("<?xml version=\"1.0\"?>\r\n<Preferences>\r\n<FilesAtOnce>") + stored +
                  "</FilesAtOnce>\r\n</Preferences>\r\n");
    EXPECT_EQ(ReadOutputPreferences(PreferencesPath()).filesAtOnce, 1) << stored;
  }
}

// "Only re-encode where the mark is" is on by default, newer than "Files at
// once", and written only once it is turned off.
TEST_F(PreferenceDlgTest, OnlyReencodeMarkedIsOnByDefaultAndAddedWhenTurnedOff) {
  const std::string older =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Preferences>\r\n<OutputFolderOpts>0</OutputFolderOpts>\r\n"
      "<OpenQuickStartDlg>0</OpenQuickStartDlg>\r\n</Preferences>\r\n";
  WriteFile(PreferencesPath().toStdString(), older);
  EXPECT_EQ(ReadOutputPreferences(PreferencesPath()).onlyReencodeMarked, 1);
  {
    CGeneralConfDlg page(PreferencesPath());
    EXPECT_TRUE(Control<QCheckBox>(page, "only_marked_check")->isChecked());
    ASSERT_TRUE(page.Save());
    EXPECT_EQ(ReadFile(PreferencesPath().toStdString()), older);
    Control<QSpinBox>(page, "files_at_once_spin")->setValue(2);
    Control<QCheckBox>(page, "only_marked_check")->setChecked(false);
    ASSERT_TRUE(page.Save());
  }
  const std::string saved = ReadFile(PreferencesPath().toStdString());
  EXPECT_NE(saved.find("<FilesAtOnce>2</FilesAtOnce>\r\n<OnlyReencodeMarked>0</OnlyReencodeMarked>\r\n</Preferences>"),
            std::string::npos)
      << saved;
  CGeneralConfDlg again(PreferencesPath());
  EXPECT_FALSE(Control<QCheckBox>(again, "only_marked_check")->isChecked());
  OutputPreferences off;
  off.onlyReencodeMarked = 0;
  ASSERT_TRUE(WriteOutputPreferences(PreferencesPath(), off));
  EXPECT_EQ(ReadOutputPreferences(PreferencesPath()).onlyReencodeMarked, 0);
}

TEST_F(PreferenceDlgTest, AnUnreadablePreferencesFileShowsNothingChosenAndIsLeftAsItIs) {
  WriteFile(PreferencesPath().toStdString(), "<Preferences><OutputFolderOpts>1");
  CGeneralConfDlg page(PreferencesPath());
  EXPECT_FALSE(Control<QRadioButton>(page, "save_to_source_folder")->isChecked());
  EXPECT_FALSE(Control<QRadioButton>(page, "save_to_other_folder")->isChecked());
  EXPECT_FALSE(page.Save());
  EXPECT_EQ(ReadFile(PreferencesPath().toStdString()), "<Preferences><OutputFolderOpts>1");
}

TEST(CodecLimits, AVorbisBitRateAboveWhatItsSampleRateTakesIsLowered) {
  struct Case {
    AutoOr<double> sampleRateKhz;
    AutoOr<int> bitrateKbps, expected;
    AudioCodec audioCodec;
    bool reason;
  };
  const Case cases[] = {
      {8, 384, 80, AudioCodec::kVorbis, true},      {22.05, 192, 160, AudioCodec::kVorbis, true},
      {44.1, 384, 384, AudioCodec::kVorbis, false}, {{}, 384, 384, AudioCodec::kVorbis, false},
      {8, {}, {}, AudioCodec::kVorbis, false},      {8, 384, 384, AudioCodec::kMp3, false},
  };
  for (const Case& c : cases) {
    EncodingSettings settings;
    settings.audioCodec = c.audioCodec;
    settings.sampleRateKhz = c.sampleRateKhz;
    settings.audioBitrateKbps = c.bitrateKbps;
    const QString reason = FitRatesToCodec(settings);
    EXPECT_EQ(settings.audioBitrateKbps, c.expected) << AutoOrText(c.sampleRateKhz).toStdString();
    EXPECT_EQ(!reason.isEmpty(), c.reason) << reason.toStdString();
  }
}

TEST_F(PreferenceDlgTest, ABitRateVorbisRefusesIsLoweredOnThePageWithTheReason) {
  CPreferenceDlg dialog;
  Control<QComboBox>(dialog, "container_combo")->setCurrentText("VP8");
  Control<QComboBox>(dialog, "sample_rate_combo")->setCurrentText("8");
  Control<QComboBox>(dialog, "audio_bitrate_combo")->setCurrentText("384");
  EXPECT_EQ(Control<QComboBox>(dialog, "audio_bitrate_combo")->currentText(), "80");
  EXPECT_TRUE(Control<QLabel>(dialog, "choice_note")->text().contains("Vorbis")) << "no reason shown";
}

// A typed target size is stored and shown again; it disables the quality,
// and a set bit rate disables both.
TEST_F(PreferenceDlgTest, ATargetSizeTakesThePlaceOfTheQualityUnlessABitRateIsSet) {
  {
    CPreferenceDlg dialog;
    auto* target = Control<QComboBox>(dialog, "target_size_combo");
    EXPECT_EQ(target->currentIndex(), 0);
    EXPECT_TRUE(Control<QComboBox>(dialog, "quality_combo")->isEnabled());
    auto* estimate = Control<QLabel>(dialog, "size_estimate_label");
    EXPECT_TRUE(estimate->isHidden());  // a quality: the size follows the pictures
    target->setEditText("9.5");
    EXPECT_FALSE(Control<QComboBox>(dialog, "quality_combo")->isEnabled());
    // 9.5 MB in a minute is 1267 kbit/s, 128 of them the audio's; ten minutes leave none.
    EXPECT_TRUE(estimate->text().contains("about 1139 kbit/s")) << estimate->text().toStdString();
    EXPECT_TRUE(estimate->text().contains("10-minute clip alone would fill it")) << estimate->text().toStdString();
    target->setEditText("100");
    EXPECT_TRUE(estimate->text().contains("1-minute clip at about 13205 kbit/s, of a 10-minute clip at 1205 kbit/s"))
        << estimate->text().toStdString();
    target->setEditText("9.5");
    Close(dialog, QDialogButtonBox::Ok);
  }
  QSettings profile(kProfileOrganization, kProfileApplication);
  EXPECT_EQ(ReadEncodingSettings(profile).targetSizeMb, 9.5);
  CPreferenceDlg dialog;
  auto* target = Control<QComboBox>(dialog, "target_size_combo");
  EXPECT_EQ(target->currentText(), "9.5");
  Control<QComboBox>(dialog, "video_bitrate_combo")->setCurrentText("2000");
  EXPECT_FALSE(target->isEnabled());
  // 2000 + 128 kbit/s for 60 s.
  EXPECT_EQ(Control<QLabel>(dialog, "size_estimate_label")->text(), "About 16.0 MB a minute of video.");
  EXPECT_FALSE(Control<QComboBox>(dialog, "quality_combo")->isEnabled());
  Control<QComboBox>(dialog, "video_bitrate_combo")->setCurrentIndex(0);
  target->setCurrentIndex(0);
  EXPECT_TRUE(Control<QComboBox>(dialog, "quality_combo")->isEnabled());
}

// A preset chosen sets its values on the page and is stored by name; a value
// of its changed afterwards leaves no preset chosen.
TEST_F(PreferenceDlgTest, APresetSetsItsValuesAndStaysChosenWhileThePageHoldsThem) {
  {
    CPreferenceDlg dialog;
    auto* preset = Control<QComboBox>(dialog, "preset_combo");
    EXPECT_EQ(preset->currentIndex(), 0);
    Control<QComboBox>(dialog, "video_bitrate_combo")->setCurrentIndex(2);
    const int webm = preset->findText("WebM AV1");
    ASSERT_GT(webm, 0);
    preset->setCurrentIndex(webm);
    emit preset->activated(webm);
    EXPECT_EQ(Control<QComboBox>(dialog, "container_combo")->currentText(), "WebM");
    EXPECT_EQ(Control<QComboBox>(dialog, "video_codec_combo")->currentText(), "AV1");
    EXPECT_EQ(Control<QComboBox>(dialog, "audio_codec_combo")->currentText(), "Opus");
    EXPECT_EQ(Control<QComboBox>(dialog, "video_bitrate_combo")->currentIndex(), 0);  // its quality applies
    EXPECT_EQ(preset->currentText(), "WebM AV1");
    Close(dialog, QDialogButtonBox::Ok);
  }
  {
    QSettings profile(kProfileOrganization, kProfileApplication);
    const EncodingSettings stored = ReadEncodingSettings(profile);
    EXPECT_EQ(stored.preset, "WebM AV1");
    EXPECT_EQ(stored.container, Container::kWebm);
  }
  CPreferenceDlg dialog;
  auto* preset = Control<QComboBox>(dialog, "preset_combo");
  EXPECT_EQ(preset->currentText(), "WebM AV1");
  Control<QComboBox>(dialog, "video_codec_combo")->setCurrentText("VP9");
  EXPECT_EQ(preset->currentIndex(), 0);
  Close(dialog, QDialogButtonBox::Ok);
  QSettings profile(kProfileOrganization, kProfileApplication);
  EXPECT_EQ(ReadEncodingSettings(profile).preset, "");
}

// The page's values saved under a name become a preset of the user's: kept in
// the profile, offered after the built-in ones and chosen; saving again under
// that name replaces it; a built-in preset's name is refused with a message.
TEST_F(PreferenceDlgTest, ThePagesValuesAreSavedAsAPresetOfTheUsers) {
  const auto saveAs = [](CPreferenceDlg& dialog, const QString& name) {
    OnNextModalOf<QInputDialog>([name](QInputDialog* prompt) {
      prompt->setTextValue(name);
      prompt->accept();
    });
    Control<QPushButton>(dialog, "save_preset_btn")->click();
  };
  {
    CPreferenceDlg dialog;
    Control<QComboBox>(dialog, "container_combo")->setCurrentText("WebM");
    Control<QComboBox>(dialog, "video_codec_combo")->setCurrentText("VP9");
    Control<QComboBox>(dialog, "quality_combo")->setCurrentText("High");
    saveAs(dialog, "  Clips  for   the web ");
    auto* preset = Control<QComboBox>(dialog, "preset_combo");
    EXPECT_EQ(preset->currentText(), "Clips for the web");
    EXPECT_EQ(preset->findText("Clips for the web"), preset->count() - 1);
    // Saved again under the same name with another quality: one preset, the new values.
    Control<QComboBox>(dialog, "quality_combo")->setCurrentText("Small");
    saveAs(dialog, "clips for the web");
    EXPECT_EQ(preset->findText("Clips for the web", Qt::MatchFixedString), preset->count() - 1);

    QString seen;
    OnNextModalOf<QInputDialog>([&seen](QInputDialog* prompt) {
      AnswerNextMessage(QMessageBox::Ok, &seen);
      prompt->setTextValue("small hevc");
      prompt->accept();
    });
    Control<QPushButton>(dialog, "save_preset_btn")->click();
    EXPECT_TRUE(seen.contains("small hevc")) << seen.toStdString();
    Close(dialog, QDialogButtonBox::Cancel);
  }
  QSettings profile(kProfileOrganization, kProfileApplication);
  const std::vector<Preset> own = ReadUserPresets(profile);
  ASSERT_EQ(own.size(), 1u);
  EXPECT_EQ(own[0].name, "clips for the web");
  EXPECT_EQ(own[0].container, Container::kWebm);
  EXPECT_EQ(own[0].videoCodec, VideoCodec::kVp9);
  EXPECT_EQ(own[0].quality, QualityChoice::kSmall);
  // Offered by the next page too.
  CPreferenceDlg dialog;
  EXPECT_GT(Control<QComboBox>(dialog, "preset_combo")->findText("clips for the web"), 0);
}

// The hardware encoder is chosen on the page and stored.
TEST_F(PreferenceDlgTest, TheHardwareEncoderIsChosenOnThePage) {
  {
    CPreferenceDlg dialog;
    auto* hardware = Control<QComboBox>(dialog, "hardware_combo");
    EXPECT_EQ(Items(hardware), QStringList({"Off", "Whichever works", "VAAPI", "NVENC", "QSV"}));
    EXPECT_EQ(hardware->currentText(), "Off");
    hardware->setCurrentText("VAAPI");
    Close(dialog, QDialogButtonBox::Ok);
  }
  EXPECT_EQ(StoredEncoding().hardware, HardwareChoice::kVaapi);
  CPreferenceDlg dialog;
  EXPECT_EQ(Control<QComboBox>(dialog, "hardware_combo")->currentText(), "VAAPI");
}

// What the dialog stores is what the next batch encodes with.
TEST_F(PreferenceDlgTest, TheNextBatchUsesTheChosenContainerCodecsAndAudioSwitch) {
  struct Case {
    bool disableAudio;
    int audioStreams;
  };
  for (const Case c : {Case{false, 1}, Case{true, 0}}) {
    {
      CPreferenceDlg dialog;
      Control<QComboBox>(dialog, "container_combo")->setCurrentText("MKV");
      Control<QComboBox>(dialog, "video_codec_combo")->setCurrentText("H264");
      Control<QComboBox>(dialog, "audio_codec_combo")->setCurrentText("MP3");
      Control<QCheckBox>(dialog, "disable_audio_check")->setChecked(c.disableAudio);
      Close(dialog, QDialogButtonBox::Ok);
    }
    const QString name = c.disableAudio ? "silent.mp4" : "sound.mp4";
    StoredJobSettings settings(kDemoTemplateName);
    struct : BatchObserver {
      void RowStateChanged(int, const RowStatus&) override {}
      void RowProgressed(int, const EncodeProgress&) override {}
      void RunFinished(const RunSummary&) override {}
    } observer;
    Batch batch(settings, observer, &sink_, ProgramFolder());
    batch.AddFile(MakeSource(name));
    ASSERT_TRUE(batch.StartProcessing());
    batch.Wait();
    ASSERT_EQ(batch.State(0), RowState::Done) << sink_.Messages().join("\n").toStdString();

    const fs::path output = sources_ / (QFileInfo(name).completeBaseName() + "_new.mkv").toStdString();
    const ProbeResult probe = Probe(output);
    ASSERT_TRUE(probe.ok) << output;
    EXPECT_NE(probe.formatName.find("matroska"), std::string::npos);
    EXPECT_EQ(probe.First("video")->codec, "h264");
    EXPECT_EQ(probe.Count("audio"), c.audioStreams);
    if (c.audioStreams > 0) {
      EXPECT_EQ(probe.First("audio")->codec, "mp3");
    }
  }
}

}  // namespace
}  // namespace vidmora::test
