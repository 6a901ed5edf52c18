// The template editor and the window's template commands, driven through
// their named controls on the offscreen platform.
#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/layer_store.h"
#include "app/processing/templates/template_store.h"
#include "app/templates/anchor_snap.h"
#include "app/templates/edit_temp_img_dlg.h"
#include "app/templates/edit_template_dlg.h"
#include "app/templates/editor_preview_paint.h"
#include "app/templates/layer_session.h"
#include "app/templates/sample_picture.h"
#include "app/templates/template_commands.h"
#include "common/quorvil.h"
#include "draw/glyphra.h"
#include "shared/template/layer_file.h"
#include "tests/app/modal_driver.h"
#include "tests/app/named_control.h"
#include "tests/support/process.h"
#include "tests/support/temp_env.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

// The window's template list, as the main window shows it.
class ListView : public TemplateListView {
 public:
  void SetTemplateNames(const QStringList& names, int selectedRow) override {
    list.clear();
    list.addItems(names);
    list.setCurrentRow(selectedRow < names.size() ? selectedRow : -1);
  }
  void AddTemplateRow(const QString& name) override { list.addItem(name); }
  int SelectedTemplateRow() const override { return list.currentRow(); }
  QString SelectedTemplateName() const override { return list.currentItem() ? list.currentItem()->text() : QString(); }
  void RemoveTemplateRow(const QString& name) override {
    for (QListWidgetItem* item : list.findItems(name, Qt::MatchExactly)) delete item;
  }
  void RenameSelectedTemplateRow(const QString& name) override {
    if (list.currentItem()) list.currentItem()->setText(name);
  }
  QStringList Rows() const {
    QStringList rows;
    for (int i = 0; i < list.count(); ++i) rows << list.item(i)->text();
    return rows;
  }
  QListWidget list;
};

std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadFile(entry.path());
  return files;
}

// Types `name` into the open name prompt and presses its OK button.
void EnterName(const QString& name) {
  OnNextModal([name](QWidget* prompt) {
    auto* edit = prompt->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    prompt->findChild<QPushButton*>("ok_btn")->click();
  });
}

class EditorTest : public ::testing::Test {
 protected:
  EditorTest() {
    PrepareDataFolder();
    InitTemplateFolderPathForDrawlixDll(u"Vidmora");
    folder_ = TemplatesFolder();
  }

  fs::path Folder() const { return fs::path(folder_.toStdString()); }
  fs::path LayerPath(const std::string& name = "Demo 1_Layer 1") const { return Folder() / (name + ".xml"); }
  EditedLayer Saved(const std::string& name = "Demo 1_Layer 1") const {
    EditedLayer layer;
    EXPECT_TRUE(LoadLayerFile(LayerPath(name).u16string(), layer));
    return layer;
  }

  std::unique_ptr<CEditTemplateDlg> OpenEditor(const QString& name = "Demo 1") {
    auto editor = std::make_unique<CEditTemplateDlg>(folder_, name);
    editor->show();
    return editor;
  }
  // Types into a number field as a person does and ends with Enter.
  static void Type(QSpinBox* spin, const QString& text, bool finish = true) {
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, text);
    if (finish) QTest::keyClick(spin, Qt::Key_Return);
  }

  TempEnv env_;
  QString folder_;
};

TEST_F(EditorTest, TheWindowAddsRenamesAndRemovesTemplates) {
  QWidget window;
  ListView view;
  TemplateCommands commands(folder_, view, window);
  commands.FillTemplateList();
  EXPECT_EQ(view.Rows(), QStringList({"Demo 1"}));
  EXPECT_EQ(view.SelectedTemplateRow(), 0);

  EnterName("Holiday");
  QString opened;
  OnNextModalOf<CEditTemplateDlg>([&](CEditTemplateDlg* editor) {
    opened = editor->Session().TemplateName();
    editor->close();
  });
  commands.AddTemplate();
  EXPECT_EQ(opened, "Holiday") << "a new template opens in the editor";
  EXPECT_EQ(view.Rows(), QStringList({"Demo 1", "Holiday"}));
  EXPECT_EQ(ReadTemplateNames(folder_), view.Rows());
  EXPECT_EQ(Saved("Holiday_Layer 1").textContent, u"Vidmora For Win");
  StoreTemplateRow(1);
  commands.FillTemplateList();
  EXPECT_EQ(view.SelectedTemplateName(), "Holiday");

  view.list.setCurrentRow(1);
  EnterName("Summer");
  commands.RenameSelectedTemplate();
  EXPECT_EQ(view.Rows(), QStringList({"Demo 1", "Summer"}));
  EXPECT_TRUE(fs::exists(Folder() / "Summer.xml"));
  EXPECT_FALSE(fs::exists(Folder() / "Holiday.xml"));

  AnswerNextMessage(QMessageBox::Yes);
  commands.RemoveSelectedTemplate();
  EXPECT_EQ(view.Rows(), QStringList({"Demo 1"}));
  EXPECT_EQ(ReadTemplateNames(folder_), view.Rows());
  EXPECT_FALSE(fs::exists(Folder() / "Summer.xml"));
  EXPECT_FALSE(fs::exists(Folder() / "Holiday_Layer 1.xml"));

  view.list.setCurrentRow(-1);
  QString message;
  AnswerNextMessage(QMessageBox::Ok, &message);
  commands.RemoveSelectedTemplate();
  EXPECT_EQ(message, "Please select a watermark template first to remove!");
}

// While the name is empty or taken OK is disabled and the reason is shown
// beside the field; Cancel leaves everything as it was.
TEST_F(EditorTest, TheNamePromptDisablesOkForARefusedNameAndSaysWhy) {
  QWidget window;
  ListView view;
  TemplateCommands commands(folder_, view, window);
  commands.FillTemplateList();
  const auto before = Snapshot(Folder());

  struct Seen {
    QString title;
    std::vector<std::tuple<QString, bool, QString>> typed;  // name, OK enabled, reason
  } seen;
  OnNextModal([&](QWidget* prompt) {
    seen.title = prompt->windowTitle();
    auto* edit = prompt->findChild<QLineEdit*>();
    auto* ok = prompt->findChild<QPushButton*>("ok_btn");
    auto* reason = prompt->findChild<QLabel*>("name_problem_label");
    for (const QString name : {"", "demo 1", "a/b", " Lake", "Lake"}) {
      edit->setText(name);
      seen.typed.emplace_back(name, ok->isEnabled(), reason->isVisibleTo(prompt) ? reason->text() : QString());
    }
    prompt->findChild<QPushButton*>("cancel_btn")->click();
  });
  commands.AddTemplate();
  EXPECT_EQ(seen.title, "Add New Template");
  ASSERT_EQ(seen.typed.size(), 5u);
  EXPECT_EQ(seen.typed[0], std::make_tuple(QString(""), false, QString()));
  EXPECT_FALSE(std::get<1>(seen.typed[1]));
  EXPECT_TRUE(std::get<2>(seen.typed[1]).contains("exists already")) << std::get<2>(seen.typed[1]).toStdString();
  EXPECT_FALSE(std::get<1>(seen.typed[2]));
  EXPECT_TRUE(std::get<2>(seen.typed[2]).contains("characters"));
  EXPECT_FALSE(std::get<1>(seen.typed[3]));
  EXPECT_TRUE(std::get<2>(seen.typed[3]).contains("space"));
  EXPECT_EQ(seen.typed[4], std::make_tuple(QString("Lake"), true, QString()));
  EXPECT_EQ(Snapshot(Folder()), before) << "Cancel adds nothing";
  EXPECT_EQ(view.Rows(), QStringList({"Demo 1"}));

  // A rename starts on the old name and names it in the title.
  view.list.setCurrentRow(0);
  OnNextModal([&](QWidget* prompt) {
    seen.title = prompt->windowTitle();
    seen.typed = {
        {prompt->findChild<QLineEdit*>()->text(), prompt->findChild<QPushButton*>("ok_btn")->isEnabled(), {}}};
    prompt->close();
  });
  commands.RenameSelectedTemplate();
  EXPECT_EQ(seen.title, "Rename Template \"Demo 1\"");
  EXPECT_EQ(std::get<0>(seen.typed[0]), "Demo 1");
  EXPECT_FALSE(std::get<1>(seen.typed[0]));
  EXPECT_EQ(Snapshot(Folder()), before);
}

TEST_F(EditorTest, AChangeIsSavedAtOnceAndPainted) {
  auto editor = OpenEditor();
  const QImage& sample = SamplePicture();
  EXPECT_NE(editor->PreviewPicture(), sample.convertToFormat(editor->PreviewPicture().format()));

  Control<QLineEdit>(*editor, "text_edit")->setText("Sunset");
  EXPECT_EQ(Saved().textContent, u"Sunset");
  // Fully transparent text leaves the sample picture as it was.
  Control<QSlider>(*editor, "transparency_slider")->setValue(0);
  EXPECT_EQ(Saved().transparency, 0);
  EXPECT_EQ(editor->PreviewPicture(), sample.convertToFormat(editor->PreviewPicture().format()));
}

TEST_F(EditorTest, NumberFieldsClampWhenEditingEnds) {
  auto editor = OpenEditor();
  auto* edgeAlpha = Control<QSpinBox>(*editor, "edge_alpha_spin");
  // On the way to 150 the "1" is not yet a value.
  Type(edgeAlpha, "1", false);
  EXPECT_EQ(Saved().edgeAlpha, 255);
  QTest::keyClicks(edgeAlpha, "50");
  EXPECT_EQ(Saved().edgeAlpha, 150);

  struct Case {
    const char* spin;
    const char* typed;
    int32_t EditedLayer::*value;
    int expected;
  };
  const Case cases[] = {
      {"edge_alpha_spin", "300", &EditedLayer::edgeAlpha, 255},
      {"edge_alpha_spin", "1", &EditedLayer::edgeAlpha, 100},
      {"shadow_h_spin", "-15", &EditedLayer::shadowH, -10},
      {"shadow_v_spin", "7", &EditedLayer::shadowV, 7},
      {"shadow_blur_spin", "11", &EditedLayer::shadowBlurRadius, 10},
      {"shadow_alpha_spin", "31", &EditedLayer::shadowAlpha, 30},
      {"text3d_offset_spin", "60", &EditedLayer::text3DOffset, 50},
      {"offset_h_spin", "-40000", &EditedLayer::offsetH, -32767},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.spin) + " " + c.typed);
    auto* spin = Control<QSpinBox>(*editor, c.spin);
    Type(spin, c.typed);
    EXPECT_EQ(Saved().*c.value, c.expected);
    EXPECT_EQ(spin->value(), c.expected);
  }
  EXPECT_TRUE(editor->isVisible()) << "Enter in a field closed the editor";
}

TEST_F(EditorTest, AFullTurnIsNoTurnOnTheTextPageOnly) {
  auto editor = OpenEditor();
  Type(Control<QSpinBox>(*editor, "rotation_spin"), "360");
  EXPECT_EQ(Saved().rotation, 0);
  Type(Control<QSpinBox>(*editor, "rotation_spin"), "-360");
  EXPECT_EQ(Saved().rotation, -360);
  Type(Control<QSpinBox>(*editor, "image_rotation_spin"), "360");
  EXPECT_EQ(Saved().imageRotation, 360);
}

TEST_F(EditorTest, ChoosingALocationResetsBothOffsets) {
  auto editor = OpenEditor();
  struct Fields {
    const char* location;
    const char* offsetH;
    const char* offsetV;
  };
  const Fields pages[] = {{"location_combo", "offset_h_spin", "offset_v_spin"},
                          {"image_location_combo", "image_offset_h_spin", "image_offset_v_spin"}};
  for (const auto& [location, offsetH, offsetV] : pages) {
    Type(Control<QSpinBox>(*editor, offsetH), "12");
    Type(Control<QSpinBox>(*editor, offsetV), "-34");
    Control<QComboBox>(*editor, location)->setCurrentIndex(8);
    EXPECT_EQ(Control<QSpinBox>(*editor, offsetH)->value(), 0);
    EXPECT_EQ(Control<QSpinBox>(*editor, offsetV)->value(), 0);
  }
  const EditedLayer saved = Saved();
  EXPECT_EQ(saved.location, 8);
  EXPECT_EQ(saved.imageLocation, 8);
  EXPECT_EQ(std::tuple(saved.offsetH, saved.offsetV, saved.imageOffsetH, saved.imageOffsetV), std::tuple(0, 0, 0, 0));
}

TEST_F(EditorTest, AChosenPictureSetsTheSizeAndAutoScaleCouplesIt) {
  const fs::path picture = env_.MakeDir("pictures") / "logo.png";
  QImage logo(400, 300, QImage::Format_ARGB32);
  logo.fill(Qt::red);
  ASSERT_TRUE(logo.save(QString::fromStdString(picture.string())));

  auto editor = OpenEditor();
  OnNextModal([&](QWidget* modal) {
    auto* chooser = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->nameFilters().join(";;").startsWith("All Supported Files (*.jpg *.jpeg *.png"));
    chooser->selectFile(QString::fromStdString(picture.string()));
    static_cast<QDialog*>(chooser)->accept();  // the chooser takes the selected file
  });
  Control<QPushButton>(*editor, "image_browse_btn")->click();

  auto* width = Control<QSpinBox>(*editor, "image_width_spin");
  auto* height = Control<QSpinBox>(*editor, "image_height_spin");
  EditedLayer saved = Saved();
  EXPECT_EQ(QString::fromStdU16String(saved.imagePathName).toStdString(), picture.string());
  EXPECT_EQ(std::pair(saved.imageWidth, saved.imageHeight), std::pair(400, 300));
  EXPECT_EQ(std::pair(width->minimum(), width->maximum()), std::pair(1, 800));
  EXPECT_EQ(std::pair(height->minimum(), height->maximum()), std::pair(1, 600));

  ASSERT_TRUE(Control<QCheckBox>(*editor, "scale_image_check")->isChecked());
  Type(width, "200");
  saved = Saved();
  EXPECT_EQ(std::pair(saved.imageWidth, saved.imageHeight), std::pair(200, 150));
  EXPECT_EQ(height->value(), 150);

  Control<QCheckBox>(*editor, "scale_image_check")->setChecked(false);
  Type(width, "100");
  saved = Saved();
  EXPECT_EQ(std::pair(saved.imageWidth, saved.imageHeight), std::pair(100, 150));

  Control<QToolButton>(*editor, "image_clear_btn")->click();
  saved = Saved();
  EXPECT_TRUE(saved.imagePathName.empty());
  EXPECT_EQ(std::pair(saved.imageWidth, saved.imageHeight), std::pair(0, 0));
}

TEST_F(EditorTest, ClosingWithoutAChangeKeepsTheLayer) {
  const std::string written = ReadFile(LayerPath());
  OpenEditor()->close();
  EXPECT_EQ(ReadFile(LayerPath()), written);

  // A file from before the four late keys gains only those.
  std::string old = written;
  for (const char* key : {"<ScaleTextWT>1</ScaleTextWT>\r\n", "<ImageWidth>0</ImageWidth>\r\n",
                          "<ImageHeight>0</ImageHeight>\r\n", "<ScaleImgWT>1</ScaleImgWT>\r\n"}) {
    const size_t at = old.find(key);
    ASSERT_NE(at, std::string::npos) << key;
    old.erase(at, std::string(key).size());
  }
  WriteFile(LayerPath(), old);
  OpenEditor()->close();
  std::string expected = written;
  // A file without the key reads as "do not scale the picture".
  expected.replace(expected.find("<ScaleImgWT>1</ScaleImgWT>"), 26, "<ScaleImgWT>0</ScaleImgWT>");
  EXPECT_EQ(ReadFile(LayerPath()), expected);
}

TEST_F(EditorTest, AnUnreadableLayerIsReplacedOnlyWithAYes) {
  const std::string broken = "<?xml version=\"1.0\"?>\r\n<WatermarkConf><Text>";
  WriteFile(LayerPath(), broken);

  QString message;
  AnswerNextMessage(QMessageBox::No, &message);
  auto editor = OpenEditor();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !message.isEmpty(); }, 30000));
  EXPECT_TRUE(message.contains("Demo 1_Layer 1.xml")) << message.toStdString();
  EXPECT_FALSE(Control<QLineEdit>(*editor, "text_edit")->isEnabled());
  EXPECT_FALSE(Control<QSpinBox>(*editor, "image_width_spin")->isEnabled());
  EXPECT_TRUE(Control<QComboBox>(*editor, "layer_combo")->isEnabled());
  editor->close();
  EXPECT_EQ(ReadFile(LayerPath()), broken);

  message.clear();
  AnswerNextMessage(QMessageBox::Yes, &message);
  editor = OpenEditor();
  ASSERT_TRUE(QTest::qWaitFor([&] { return Control<QLineEdit>(*editor, "text_edit")->isEnabled(); }, 30000));
  EXPECT_EQ(Saved().rotation, 30);
  Control<QLineEdit>(*editor, "text_edit")->setText("Again");
  EXPECT_EQ(Saved().textContent, u"Again");
}

TEST_F(EditorTest, AnUnreadableTemplateIsNamedAndNothingIsWritten) {
  WriteFile(Folder() / "Demo 1.xml", "<Layers><layer>Demo 1_Layer 1");
  const auto before = Snapshot(Folder());
  QString message;
  AnswerNextMessage(QMessageBox::Ok, &message);
  auto editor = OpenEditor();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !message.isEmpty(); }, 30000));
  EXPECT_TRUE(message.contains("Demo 1.xml")) << message.toStdString();
  EXPECT_FALSE(Control<QLineEdit>(*editor, "text_edit")->isEnabled());
  editor->close();
  EXPECT_EQ(Snapshot(Folder()), before);
}

TEST_F(EditorTest, CtrlZTakesBackTheLastChange) {
  auto editor = OpenEditor();
  editor->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get(), 30000));
  auto* text = Control<QLineEdit>(*editor, "text_edit");
  text->setFocus();
  text->selectAll();
  QTest::keyClicks(text, "Dusk");
  EXPECT_EQ(Saved().textContent, u"Dusk");
  auto* slider = Control<QSlider>(*editor, "transparency_slider");
  slider->setValue(40);
  slider->setValue(80);

  // One step per field edited in a row: the slider's drag, then the typing.
  QTest::keyClick(slider, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Saved().transparency, 255);
  EXPECT_EQ(slider->value(), 255);
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Saved().textContent, u"Vidmora");
  EXPECT_EQ(text->text(), "Vidmora");
  EXPECT_FALSE(editor->Session().CanUndo());
}

// Undo and redo go step by step across fields and layers (a typed word is
// one step), and Revert puts every file back byte for byte, also after a
// layer was added.
TEST_F(EditorTest, UndoRedoAndRevertWorkAcrossFieldsAndLayers) {
  const auto start = Snapshot(Folder());
  auto editor = OpenEditor();
  editor->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get(), 30000));
  auto* text = Control<QLineEdit>(*editor, "text_edit");
  text->setFocus();
  text->end(false);
  QTest::keyClicks(text, " Lake Tahoe");
  ASSERT_EQ(Saved().textContent, u"Vidmora Lake Tahoe");
  Control<QSlider>(*editor, "transparency_slider")->setValue(153);  // a second field
  EXPECT_EQ(Control<QLabel>(*editor, "transparency_value_label")->text(), "60 %");
  EXPECT_EQ(Saved().transparency, 153) << "60 % is stored as the text's alpha";
  const uint32_t colorBefore = Saved().textColor;
  OnNextModalOf<QColorDialog>([](QColorDialog* dialog) {
    dialog->setCurrentColor(QColor(200, 30, 40));
    dialog->accept();
  });
  Control<QPushButton>(*editor, "fill_color_swatch")->click();
  ASSERT_EQ(Saved().textColor, 0x00281EC8u) << "stored as the format has it: 0x00BBGGRR";
  EnterName("Logo");
  editor->findChild<QAction*>("add_logo_layer_action")->trigger();
  ASSERT_EQ(editor->Session().LayerNames(), QStringList({"Demo 1_Layer 1", "Logo"}));
  EXPECT_TRUE(Saved("Logo").textContent.empty()) << "a logo layer has no text";
  EXPECT_EQ(PaintPreview(SamplePicture(), {Saved("Logo")}), SamplePicture().convertToFormat(QImage::Format_RGB32))
      << "a logo layer without its picture paints nothing, no text";

  // Back one step at a time: the layer, the colour, the slider, then a word at a time.
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(editor->Session().LayerNames(), QStringList({"Demo 1_Layer 1"}));
  EXPECT_FALSE(fs::exists(LayerPath("Logo")));
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Saved().textColor, colorBefore);
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Saved().transparency, 255);
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Saved().textContent, u"Vidmora Lake ");
  EXPECT_EQ(text->text(), "Vidmora Lake ");
  // And forward again with both keys.
  QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Saved().textContent, u"Vidmora Lake Tahoe");
  QTest::keyClick(text, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Saved().transparency, 153);
  QTest::keyClick(text, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Saved().textColor, 0x00281EC8u);
  Control<QPushButton>(*editor, "redo_btn")->click();
  EXPECT_EQ(editor->Session().LayerNames(), QStringList({"Demo 1_Layer 1", "Logo"}));
  EXPECT_EQ(Control<QLabel>(*editor, "save_status_label")->text(), "Saved");

  AnswerNextMessage(QMessageBox::Yes);
  Control<QPushButton>(*editor, "revert_btn")->click();
  EXPECT_EQ(Snapshot(Folder()), start) << "Revert gives the files of the start";
  EXPECT_EQ(text->text(), "Vidmora");
  EXPECT_FALSE(editor->Session().CanUndo());
}

// The text dragged from the centre to the bottom right corner of the preview
// is anchored there with the offsets of the drop; the arrow keys nudge it.
TEST_F(EditorTest, DraggingTheTextPlacesItAndTheArrowKeysNudgeIt) {
  auto editor = OpenEditor();
  editor->resize(1100, 760);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get(), 30000));
  editor->Session().ChangeAndShow("Rotation", [](EditedLayer& l) { l.rotation = 0; });
  const QImage preview = editor->PreviewPicture();
  auto* label = Control<QLabel>(*editor, "preview_label");
  QCoreApplication::processEvents();
  const QSizeF shown = label->pixmap().deviceIndependentSize();
  const QPointF origin((label->width() - shown.width()) / 2, (label->height() - shown.height()) / 2);
  const double scale = shown.width() / preview.width();
  const auto toLabel = [&](QPointF picturePoint) { return (origin + picturePoint * scale).toPoint(); };

  QRectF text, picture;
  const EditedLayer layer = editor->Session().Layer();
  ASSERT_EQ(MeasureLayerParts(&layer, preview.width(), preview.height(), &text, &picture), 0);
  ASSERT_FALSE(text.isEmpty());
  // Drop it with its bottom right corner 20 pixels in from the picture's.
  const QPointF drop =
      text.center() + QPointF(preview.width() - 20 - text.right(), preview.height() - 20 - text.bottom());
  QTest::mousePress(label, Qt::LeftButton, {}, toLabel(text.center()));
  QTest::mouseMove(label, toLabel((text.center() + drop) / 2));
  QTest::mouseMove(label, toLabel(drop));
  QTest::mouseRelease(label, Qt::LeftButton, {}, toLabel(drop));

  const EditedLayer dropped = Saved();
  EXPECT_EQ(dropped.location, 8);
  EXPECT_NEAR(dropped.offsetH, -20, 2);
  EXPECT_NEAR(dropped.offsetV, -20, 2);
  EXPECT_EQ(Control<QSpinBox>(*editor, "offset_h_spin")->value(), dropped.offsetH) << "the fields show it at once";
  EXPECT_EQ(Control<QComboBox>(*editor, "location_combo")->currentIndex(), 8);

  label->setFocus();
  QTest::keyClick(label, Qt::Key_Left);
  QTest::keyClick(label, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(Saved().offsetH, dropped.offsetH - 1);
  EXPECT_EQ(Saved().offsetV, dropped.offsetV - 10);
}

// New layers by kind, a copy, and the painting order.
TEST_F(EditorTest, LayerKindsDuplicatesAndPaintingOrder) {
  auto editor = OpenEditor();
  EnterName("Credit");
  editor->findChild<QAction*>("add_layer_action")->trigger();
  const EditedLayer credit = Saved("Credit");
  EXPECT_EQ(credit.rotation, 0);
  EXPECT_EQ(credit.location, 8);
  EXPECT_LT(credit.offsetH, 0);
  EXPECT_LT(credit.offsetV, 0);
  EXPECT_TRUE(credit.imagePathName.empty());
  EXPECT_EQ(QString::fromStdU16String(credit.textContent).left(2), QStringLiteral("\u00A9 "));
  EXPECT_TRUE(QFontDatabase::families().contains(QString::fromStdU16String(credit.font.FaceName())))
      << "the face is installed";

  editor->findChild<QAction*>("duplicate_layer_action")->trigger();
  EXPECT_EQ(editor->Session().LayerNames(), QStringList({"Demo 1_Layer 1", "Credit", "Credit copy"}));
  EXPECT_EQ(Saved("Credit copy").textContent, credit.textContent);
  EXPECT_EQ(editor->Session().CurrentLayerName(), "Credit copy");

  editor->findChild<QAction*>("send_backward_action")->trigger();
  EXPECT_EQ(editor->Session().LayerNames(), QStringList({"Demo 1_Layer 1", "Credit copy", "Credit"}));
  EXPECT_EQ(editor->Session().CurrentLayerName(), "Credit copy");
  editor->findChild<QAction*>("bring_forward_action")->trigger();
  EXPECT_EQ(editor->Session().LayerNames(), QStringList({"Demo 1_Layer 1", "Credit", "Credit copy"}));
  EXPECT_EQ(*ReadLayerNames(folder_, "Demo 1"), editor->Session().LayerNames());
}

TEST_F(EditorTest, TheLayerMenuAddsALayerUnderAFreeName) {
  auto editor = OpenEditor();
  QString reason;
  bool okForTaken = true;
  QString title;
  OnNextModal([&](QWidget* prompt) {
    title = prompt->windowTitle();
    auto* edit = prompt->findChild<QLineEdit*>("layer_name_edit");
    edit->setText("demo 1_LAYER 1");
    okForTaken = prompt->findChild<QPushButton*>("ok_btn")->isEnabled();
    reason = prompt->findChild<QLabel*>("name_problem_label")->text();
    edit->setText("Logo");
    prompt->findChild<QPushButton*>("ok_btn")->click();
  });
  // The image page's menu is carried out by the text page.
  editor->findChild<QWidget*>("image_page")->findChild<QAction*>("add_layer_action")->trigger();
  EXPECT_EQ(title, "Add Text Layer to \"Demo 1\"");
  EXPECT_FALSE(okForTaken);
  EXPECT_EQ(reason, "The layer name has exist, please input a different name!");
  EXPECT_EQ(editor->Session().LayerNames(), QStringList({"Demo 1_Layer 1", "Logo"}));
  for (const char* page : {"text_page", "image_page"}) {
    auto* list = editor->findChild<QWidget*>(page)->findChild<QComboBox*>("layer_combo");
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentText(), "Logo");
  }
  Control<QLineEdit>(*editor, "text_edit")->setText("Second");
  EXPECT_EQ(Saved("Logo").textContent, u"Second");
  EXPECT_EQ(Saved().textContent, u"Vidmora");
}

// Two templates with a layer "Logo" each: both are accepted, each layer has
// a file of its own, and each template paints its own layer.
TEST_F(EditorTest, ALayerNameOfAnotherTemplateIsAcceptedAndEachTemplatePaintsItsOwn) {
  ASSERT_TRUE(AddTemplate(folder_, "Summer").ok);
  const auto addLogoWithText = [&](const QString& templateName, const QString& text) {
    auto editor = OpenEditor(templateName);
    EnterName("Logo");
    editor->findChild<QAction*>("add_layer_action")->trigger();
    EXPECT_EQ(editor->Session().CurrentLayerName(), "Logo");
    Control<QLineEdit>(*editor, "text_edit")->setText(text);
    Control<QComboBox>(*editor, "location_combo")->setCurrentIndex(4);
    QString path = editor->Session().CurrentLayerPath();
    editor->close();
    return path;
  };
  const QString demoLogo = addLogoWithText("Demo 1", "Harbour");
  const QString summerLogo = addLogoWithText("Summer", "Meadow");
  EXPECT_EQ(*ReadLayerNames(folder_, "Summer"), QStringList({"Summer_Layer 1", "Logo"}));
  EXPECT_NE(demoLogo, summerLogo);
  EditedLayer demo, summer;
  ASSERT_TRUE(LoadLayerFile(demoLogo.toStdU16String(), demo));
  ASSERT_TRUE(LoadLayerFile(summerLogo.toStdU16String(), summer));
  EXPECT_EQ(demo.textContent, u"Harbour");
  EXPECT_EQ(summer.textContent, u"Meadow");

  // What the batch paints (the drawing library reads the stored files) is
  // what each template's own layers paint.
  const auto painted = [](const char16_t* templateName) {
    QImage picture = SamplePicture().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(PaintTemplateOntoImage(templateName, &picture), 0);
    return picture;
  };
  const auto own = [&](const QString& templateName) {
    LayerSession session(folder_, templateName);
    return PaintPreview(SamplePicture(), session.LayersForPainting());
  };
  EXPECT_EQ(painted(u"Demo 1"), own("Demo 1"));
  EXPECT_EQ(painted(u"Summer"), own("Summer"));
  EXPECT_NE(painted(u"Demo 1"), painted(u"Summer"));

  // Undoing the second "Logo" removes only its file.
  auto editor = OpenEditor("Summer");
  EnterName("Logo 2");
  editor->findChild<QAction*>("add_logo_layer_action")->trigger();
  const QString added = editor->Session().CurrentLayerPath();
  ASSERT_TRUE(QFileInfo::exists(added));
  ASSERT_TRUE(editor->Session().Undo());
  EXPECT_FALSE(QFileInfo::exists(added));
  EXPECT_TRUE(QFileInfo::exists(summerLogo));
  EXPECT_TRUE(QFileInfo::exists(demoLogo));
}

// A picture's corner dragged on the preview sizes it, its shape kept and
// its opposite corner in place; the fields show it at once; one undo step.
TEST_F(EditorTest, DraggingAPicturesCornerSizesIt) {
  QImage logo(100, 100, QImage::Format_ARGB32);
  logo.fill(QColor(30, 120, 220));
  const QString logoPath = QString::fromStdString((env_.MakeDir("pictures") / "logo.png").string());
  ASSERT_TRUE(logo.save(logoPath));
  auto editor = OpenEditor();
  editor->resize(1100, 760);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get(), 30000));
  editor->Session().ChangeAndShow("Picture", [&](EditedLayer& l) {
    l.imagePathName = logoPath.toStdU16String();
    l.imageWidth = 100;
    l.imageHeight = 100;
    l.imageLocation = 4;
    l.imageOffsetH = 0;
    l.imageOffsetV = 0;
    l.imageTransparency = 100;
  });
  const QImage preview = editor->PreviewPicture();
  auto* label = Control<QLabel>(*editor, "preview_label");
  QCoreApplication::processEvents();
  const QSizeF shown = label->pixmap().deviceIndependentSize();
  const QPointF origin((label->width() - shown.width()) / 2, (label->height() - shown.height()) / 2);
  const double scale = shown.width() / preview.width();
  const auto toLabel = [&](QPointF picturePoint) { return (origin + picturePoint * scale).toPoint(); };
  const auto pictureBox = [&] {
    QRectF text, picture;
    const EditedLayer layer = editor->Session().Layer();
    EXPECT_EQ(MeasureLayerParts(&layer, preview.width(), preview.height(), &text, &picture), 0);
    return picture;
  };
  const QRectF before = pictureBox();
  ASSERT_EQ(before.size(), QSizeF(100, 100));

  const QPointF corner = before.bottomRight() - QPointF(1, 1);
  QTest::mousePress(label, Qt::LeftButton, {}, toLabel(corner));
  QTest::mouseMove(label, toLabel(corner + QPointF(25, 20)));
  const QImage midDrag = label->pixmap().toImage();
  QTest::mouseMove(label, toLabel(corner + QPointF(50, 40)));
  EXPECT_NE(label->pixmap().toImage(), midDrag) << "the picture follows the mouse";
  QTest::mouseRelease(label, Qt::LeftButton, {}, toLabel(corner + QPointF(50, 40)));

  const EditedLayer sized = Saved();
  EXPECT_NEAR(sized.imageWidth, 150, 3);
  EXPECT_EQ(sized.imageWidth, sized.imageHeight) << "the shape is kept";
  EXPECT_EQ(Control<QSpinBox>(*editor, "image_width_spin")->value(), sized.imageWidth) << "the fields show it at once";
  EXPECT_EQ(Control<QSpinBox>(*editor, "image_height_spin")->value(), sized.imageHeight);
  const QRectF after = pictureBox();
  EXPECT_NEAR(after.left(), before.left(), 2) << "the opposite corner stays";
  EXPECT_NEAR(after.top(), before.top(), 2);

  ASSERT_TRUE(editor->Session().Undo());
  EXPECT_EQ(Saved().imageWidth, 100) << "one undo step";
  EXPECT_EQ(Saved().imageLocation, 4);
}

TEST_F(EditorTest, TheCommandLineProgramPaintsWhatThePreviewShows) {
  auto editor = OpenEditor();
  Control<QLineEdit>(*editor, "text_edit")->setText("Alpine Lake");
  Control<QCheckBox>(*editor, "shadow_check")->setChecked(true);
  Type(Control<QSpinBox>(*editor, "shadow_blur_spin"), "4");
  Control<QCheckBox>(*editor, "edge_check")->setChecked(true);
  Control<QComboBox>(*editor, "edge_thickness_combo")->setCurrentIndex(3);
  Control<QComboBox>(*editor, "location_combo")->setCurrentIndex(7);
  const QImage preview = editor->PreviewPicture();
  editor->close();

  const fs::path pictures = env_.MakeDir("render");
  const QString sample = QString::fromStdString((pictures / "sample.png").string());
  const QString painted = QString::fromStdString((pictures / "painted.png").string());
  ASSERT_TRUE(SamplePicture().save(sample));
  std::u16string programFolder;
  GetAppPath(programFolder);
  const ProcessResult run = RunProcess({(fs::path(programFolder) / "vidmora-cli").string(), "render", "--template",
                                        "Demo 1", "--image", sample.toStdString(), "--out", painted.toStdString()});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  const QImage cli = QImage(painted).convertToFormat(preview.format());
  ASSERT_EQ(cli.size(), preview.size());
  EXPECT_NE(preview, SamplePicture().convertToFormat(preview.format()));
  EXPECT_EQ(cli, preview);
}

}  // namespace
}  // namespace vidmora::test
