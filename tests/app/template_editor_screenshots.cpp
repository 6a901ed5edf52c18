// Pictures of the template editor for people to look at, taken in a real X
// server (run under xvfb-run): each page with the demo template, and with a
// template of shadow, outline and a logo picture.
#include "app/processing/engine.h"
#include "app/processing/first_start.h"
#include "app/processing/settings/app_folders.h"
#include "app/processing/templates/layer_store.h"
#include "app/processing/templates/template_store.h"
#include "app/templates/edit_template_dlg.h"
#include "app/templates/layer_session.h"
#include "app/templates/sample_picture.h"
#include "draw/glyphra.h"
#include "tests/support/media.h"
#include "tests/support/temp_env.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace vidmora::test {
namespace {

namespace fs = std::filesystem;

QString DrawLogo(const fs::path& folder) {
  QImage logo(160, 160, QImage::Format_ARGB32);
  logo.fill(Qt::transparent);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(230, 90, 40));
  painter.setPen(QPen(Qt::white, 8));
  painter.drawEllipse(QRectF(8, 8, 144, 144));
  QFont font("Liberation Sans");
  font.setPixelSize(96);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRectF(0, 0, 160, 160), Qt::AlignCenter, "V");
  painter.end();
  QString path = QString::fromStdString((folder / "logo.png").string());
  logo.save(path);
  return path;
}

// Grabs both pages of the editor into "<name>_text.png" and "<name>_image.png".
void ShootPages(const QString& templatesFolder, const QString& templateName, const std::string& name,
                const std::function<void(LayerSession&)>& design = {}) {
  CEditTemplateDlg editor(templatesFolder, templateName);
  if (design) design(editor.Session());
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor, 30000));
  const fs::path out = TestOutputDir() / "template_editor";
  fs::create_directories(out);
  auto* tabs = editor.findChild<QTabWidget*>("page_tabs");
  for (int page = 0; page < 2; ++page) {
    tabs->setCurrentIndex(page);
    QTest::qWait(0);
    editor.PreviewPicture();
    QCoreApplication::processEvents();
    const QImage shot = editor.grab().toImage();
    const std::string file = (out / (name + (page == 0 ? "_text.png" : "_image.png"))).string();
    ASSERT_TRUE(shot.save(QString::fromStdString(file))) << file;
    // The preview holds the painted template, not the bare sample.
    EXPECT_GE(shot.width(), kSamplePictureWidth);
    EXPECT_NE(editor.PreviewPicture(), SamplePicture().convertToFormat(editor.PreviewPicture().format()));
  }
  editor.close();
}

TEST(TemplateEditorScreenshots, BothPagesWithTheDemoAndAShowcaseTemplate) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  const QString folder = TemplatesFolder();
  ShootPages(folder, "Demo 1", "editor_demo");

  ASSERT_TRUE(AddTemplate(folder, "Showcase").ok);
  const QString logo = DrawLogo(env.MakeDir("pictures"));
  ShootPages(folder, "Showcase", "editor_showcase", [&](LayerSession& session) {
    session.Change("design", [&](EditedLayer& l) {
      l.textContent = u"Alpine Lake";
      l.font.height = -44;
      l.font.weight = 700;
      l.rotation = -12;
      l.location = 7;
      l.offsetV = -70;
      l.textColor = 0x00F0F8FF;
      l.addShadow = 1;
      l.shadowH = 4;
      l.shadowV = 4;
      l.shadowBlurRadius = 6;
      l.shadowAlpha = 24;
      l.shadowColor = 0;
      l.drawEdge = 1;
      l.edgeColor = 0x00402010;
      l.edgeLineThickness = 3;
      l.imagePathName = logo.toStdU16String();
      l.imageLocation = 2;
      l.imageOffsetH = -20;
      l.imageOffsetV = 20;
      l.imageTransparency = 85;
      l.imageWidth = 120;
      l.imageHeight = 120;
    });
    session.Select(0);
  });
  EXPECT_TRUE(fs::exists(TestOutputDir() / "template_editor" / "editor_showcase_image.png"));
}

// The text page with its "Insert token" menu open, the preview showing a
// text of tokens with sample values; choosing an entry inserts its token.
TEST(TemplateEditorScreenshots, TheTextPageWithItsTokenMenu) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  const QString folder = TemplatesFolder();
  ASSERT_TRUE(AddTemplate(folder, "Screener").ok);
  CEditTemplateDlg editor(folder, "Screener");
  editor.Session().Change("design", [&](EditedLayer& l) {
    l.textContent = u"{recipient} - {file} - TC {timecode}";
    l.font.height = -26;
    l.rotation = 0;
    l.location = 7;
    l.scaleText = 0;
    l.textColor = 0x00FFFFFF;
    l.drawEdge = 1;
    l.edgeColor = 0;
    l.edgeLineThickness = 2;
  });
  editor.Session().Select(0);
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor, 30000));
  auto* text = editor.findChild<QLineEdit*>("text_edit");
  auto* button = editor.findChild<QPushButton*>("insert_token_btn");
  ASSERT_TRUE(text && button && button->menu());
  QMenu* menu = button->menu();
  menu->popup(button->mapToGlobal(QPoint(0, button->height())));
  QTest::qWait(300);
  editor.PreviewPicture();
  QCoreApplication::processEvents();
  const QRect area = editor.frameGeometry() | menu->geometry();
  const QImage shot =
      QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
  const fs::path out = TestOutputDir() / "template_editor";
  fs::create_directories(out);
  ASSERT_TRUE(shot.save(QString::fromStdString((out / "editor_token_menu.png").string())));

  QAction* frame = nullptr;
  for (QAction* action : menu->actions())
    if (action->data().toString() == "{frame}") frame = action;
  ASSERT_NE(frame, nullptr);
  menu->hide();
  text->setCursorPosition(0);
  frame->trigger();
  EXPECT_EQ(text->text(), "{frame}{recipient} - {file} - TC {timecode}");
  EXPECT_EQ(editor.Session().Layer().textContent, u"{frame}{recipient} - {file} - TC {timecode}");
  editor.close();
}

// The editor previewing the demo template over a portrait and a 16:9 clip,
// and the whole editor on a 1024 x 768 screen.
TEST(TemplateEditorScreenshots, PreviewOverClipsAndOnASmallScreen) {
  TempEnv env;
  ASSERT_TRUE(StartEngine().preferencesReady);
  const QString folder = TemplatesFolder();
  const fs::path out = TestOutputDir() / "template_editor";
  fs::create_directories(out);
  struct Clip {
    int width, height;
    const char* name;
  };
  QStringList clips;
  for (const Clip clip : {Clip{360, 640, "portrait"}, Clip{1280, 720, "wide"}}) {
    ClipSpec spec;
    spec.width = clip.width;
    spec.height = clip.height;
    spec.seconds = 1;
    spec.audio = false;
    const fs::path copy = env.MakeDir("clips") / (std::string(clip.name) + ".mp4");
    fs::copy_file(SampleClip(spec), copy);
    clips << QString::fromStdString(copy.string());
  }

  CEditTemplateDlg editor(folder, kDemoTemplateName);
  editor.SetPreviewClips(clips);
  editor.resize(1000, 700);
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor, 30000));
  for (int i = 0; i < clips.size(); ++i) {
    ASSERT_TRUE(editor.PreviewOver(clips[i]));
    QCoreApplication::processEvents();
    const QImage preview = editor.PreviewPicture();
    EXPECT_EQ(preview.width() > preview.height(), i == 1) << "the preview has the clip's shape";
    const std::string file = (out / (i == 0 ? "editor_clip_portrait.png" : "editor_clip_wide.png")).string();
    ASSERT_TRUE(editor.grab().toImage().save(QString::fromStdString(file))) << file;
  }

  // On a 1024 x 768 screen the editor fits with room for the title bar, and
  // every control of both pages lies inside it.
  editor.PreviewOver(QString());
  editor.resize(1024, 768 - 48);
  QCoreApplication::processEvents();
  EXPECT_LE(editor.minimumSizeHint().width(), 1024);
  EXPECT_LE(editor.minimumSizeHint().height(), 768 - 48);
  auto* tabs = editor.findChild<QTabWidget*>("page_tabs");
  for (int page = 0; page < 2; ++page) {
    tabs->setCurrentIndex(page);
    QCoreApplication::processEvents();
    for (QWidget* control : tabs->currentWidget()->findChildren<QWidget*>()) {
      if (!control->isVisibleTo(&editor) || control->objectName().isEmpty()) continue;
      const QRect area(control->mapTo(&editor, QPoint(0, 0)), control->size());
      EXPECT_TRUE(editor.rect().contains(area)) << control->objectName().toStdString() << " lies outside the editor";
    }
    const std::string file = (out / (page == 0 ? "editor_1024x768_text.png" : "editor_1024x768_image.png")).string();
    ASSERT_TRUE(editor.grab().toImage().save(QString::fromStdString(file))) << file;
  }
  editor.close();
}

// "_2x" when the run is at scale 2 (QT_SCALE_FACTOR), so that both runs keep their pictures.
std::string ScaleSuffix() { return qEnvironmentVariableIntValue("QT_SCALE_FACTOR") >= 2 ? "_2x" : ""; }

// A template with a text layer and a logo layer: the editor with each
// selected, in the middle of dragging the logo, and on a 1024 x 768 screen;
// at scale 1 and (a second run) 2.
TEST(TemplateEditorScreenshots, TextAndLogoLayersSelectedAndMidDrag) {
  TempEnv env;
  ASSERT_TRUE(PrepareDataFolder());
  InitTemplateFolderPathForDrawlixDll(u"Vidmora");
  const QString folder = TemplatesFolder();
  ASSERT_TRUE(AddTemplate(folder, "Layers").ok);
  const QString logo = DrawLogo(env.MakeDir("pictures"));
  EditedLayer logoLayer;
  {
    LayerSession session(folder, "Layers");
    session.Change("design", [](EditedLayer& l) {
      l.textContent = u"\u00A9 Alpine Lake Studio";
      l.rotation = 0;
      l.location = 8;
      l.offsetH = -20;
      l.offsetV = -20;
      l.addShadow = 1;
      l.shadowBlurRadius = 4;
    });
    logoLayer = session.Layer();
    logoLayer.textContent.clear();
    logoLayer.imagePathName = logo.toStdU16String();
    logoLayer.imageLocation = 2;
    logoLayer.imageOffsetH = -20;
    logoLayer.imageOffsetV = 20;
    logoLayer.imageWidth = 120;
    logoLayer.imageHeight = 120;
    logoLayer.imageTransparency = 90;
  }
  ASSERT_TRUE(AddLayerWithValues(folder, "Layers", "Logo", logoLayer).ok);

  const fs::path out = TestOutputDir() / "template_editor";
  fs::create_directories(out);
  const auto save = [&](QWidget& widget, const std::string& name) {
    const std::string file = (out / (name + ScaleSuffix() + ".png")).string();
    ASSERT_TRUE(widget.grab().toImage().save(QString::fromStdString(file))) << file;
  };
  CEditTemplateDlg editor(folder, "Layers");
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor, 30000));
  EXPECT_EQ(editor.windowTitle(), "Edit Watermark Template - Layers");
  auto* tabs = editor.findChild<QTabWidget*>("page_tabs");
  editor.Session().Select(0);
  tabs->setCurrentIndex(0);
  editor.PreviewPicture();
  QCoreApplication::processEvents();
  save(editor, "editor_text_layer_selected");

  editor.Session().Select(1);
  tabs->setCurrentIndex(1);
  const QImage preview = editor.PreviewPicture();
  QCoreApplication::processEvents();
  save(editor, "editor_logo_layer_selected");

  // Halfway through dragging the logo to the left.
  auto* label = editor.findChild<QLabel*>("preview_label");
  ASSERT_NE(label, nullptr);
  QRectF text, picture;
  const EditedLayer layer = editor.Session().Layer();
  ASSERT_EQ(MeasureLayerParts(&layer, preview.width(), preview.height(), &text, &picture), 0);
  const QSizeF shown = label->pixmap().deviceIndependentSize();
  const QPointF origin((label->width() - shown.width()) / 2, (label->height() - shown.height()) / 2);
  const double scale = shown.width() / preview.width();
  const auto toLabel = [&](QPointF point) { return (origin + point * scale).toPoint(); };
  const QImage before = label->pixmap().toImage();
  QTest::mousePress(label, Qt::LeftButton, {}, toLabel(picture.center()));
  QTest::mouseMove(label, toLabel(picture.center() - QPointF(120, -60)));
  QTest::mouseMove(label, toLabel(picture.center() - QPointF(240, -120)));
  QCoreApplication::processEvents();
  EXPECT_NE(label->pixmap().toImage(), before) << "the logo follows the mouse";
  save(editor, "editor_mid_drag");
  QTest::mouseRelease(label, Qt::LeftButton, {}, toLabel(picture.center() - QPointF(240, -120)));
  EXPECT_NE(editor.Session().Layer().imageOffsetH, -20) << "the drop placed it";

  editor.resize(1024, 768 - 48);
  QCoreApplication::processEvents();
  editor.PreviewPicture();
  QCoreApplication::processEvents();
  save(editor, "editor_layers_1024x768");
  tabs->setCurrentIndex(0);
  editor.Session().Select(0);
  QCoreApplication::processEvents();
  save(editor, "editor_layers_1024x768_text");
  editor.close();
}

}  // namespace
}  // namespace vidmora::test
