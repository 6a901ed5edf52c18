#include "app/templates/layer_commands.h"

#include "app/processing/templates/layer_store.h"
#include "app/processing/templates/template_names.h"
#include "app/settings/language_manager.h"
#include "app/templates/layer_session.h"
#include "app/templates/name_prompt.h"
#include "app/templates/new_layer_values.h"

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>

namespace vidmora {

namespace {

void ShowFailure(const StoreResult& result, QWidget* parent) {
  if (!result.ok) QMessageBox::warning(parent, ProgramCaption(), result.message);
}

}  // namespace

void StyleEditorPage(QWidget& page, QLabel& layersLabel) {
  QPalette white = page.palette();
  white.setColor(QPalette::Window, Qt::white);
  page.setPalette(white);
  page.setAutoFillBackground(true);
  layersLabel.setStyleSheet(QStringLiteral("color: #0000ff;"));
  for (QPushButton* button : page.findChildren<QPushButton*>()) button->setAutoDefault(false);
}

LayerListControls::LayerListControls(LayerSession& session, QComboBox& list, QToolButton& button, QWidget& page)
    : QObject(&page), session_(session), list_(list), page_(page) {
  connect(&session_, &LayerSession::layerShown, this, &LayerListControls::Refill);
  connect(&list_, &QComboBox::activated, this, [this](int index) {
    if (index != session_.CurrentIndex()) SelectLayer(index, session_, &page_);
  });

  auto* menu = new QMenu(&page_);
  menu->setObjectName(QStringLiteral("layer_menu"));
  const auto add = [this, menu](const char* text, const char* name, LayerCommand command) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, command] { emit commandChosen(command); });
  };
  add("Add Text Layer", "add_layer_action", LayerCommand::kAdd);
  add("Add Logo Layer", "add_logo_layer_action", LayerCommand::kAddLogo);
  add("Duplicate Layer", "duplicate_layer_action", LayerCommand::kDuplicate);
  menu->addSeparator();
  add("Bring Layer Forward", "bring_forward_action", LayerCommand::kBringForward);
  add("Send Layer Backward", "send_backward_action", LayerCommand::kSendBackward);
  menu->addSeparator();
  add("Rename This Layer", "rename_layer_action", LayerCommand::kRename);
  add("Remove This Layer", "remove_layer_action", LayerCommand::kRemove);
  connect(&button, &QToolButton::clicked, menu,
          [menu, &button] { menu->popup(button.mapToGlobal(QPoint(0, button.height()))); });
  Refill();
}

void LayerListControls::Refill() {
  const QSignalBlocker blocker(list_);
  list_.clear();
  list_.addItems(session_.LayerNames());
  list_.setCurrentIndex(session_.CurrentIndex());
}

void SelectLayer(int index, LayerSession& session, QWidget* parent) {
  if (!session.Select(index)) OfferToReplaceUnreadable(session, parent);
}

void OfferToReplaceUnreadable(LayerSession& session, QWidget* parent) {
  if (session.Editable() || session.CurrentIndex() < 0) return;
  const QString path = session.CurrentLayerPath();
  const auto answer = QMessageBox::question(
      parent, ProgramCaption(),
      UiText(QStringLiteral("The layer file %1 cannot be read, so this layer cannot be edited.\n\n"
                            "Replace it with a new layer of default values? The file's present content is lost."))
          .arg(path),
      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer == QMessageBox::Yes) ShowFailure(session.ReplaceUnreadable(), parent);
}

void RunLayerCommand(LayerCommand command, LayerSession& session, QWidget* parent) {
  const QString folder = session.TemplatesFolder();
  const QString templateName = session.TemplateName();
  const QString layer = session.CurrentLayerName();
  const bool adding = command == LayerCommand::kAdd || command == LayerCommand::kAddLogo;
  if (!adding && layer.isEmpty()) {
    QMessageBox::information(parent, ProgramCaption(), UiText(QStringLiteral("Please select a layer first.")));
    return;
  }
  const int current = session.CurrentIndex();
  const auto last = [&session] { return static_cast<int>(session.LayerNames().size()) - 1; };
  const auto stay = [current] { return current; };
  switch (command) {
    case LayerCommand::kRemove: {
      if (QMessageBox::question(parent, ProgramCaption(),
                                UiText(QStringLiteral("Are you sure to remove the layer \"%1\"?")).arg(layer),
                                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
      ShowFailure(session.CommandStep([&] { return RemoveLayer(folder, templateName, layer); }, stay), parent);
      return;
    }
    case LayerCommand::kDuplicate: {
      const QString copy = FreeLayerName(folder, templateName, layer);
      const EditedLayer values = session.Layer();
      ShowFailure(session.CommandStep([&] { return AddLayerWithValues(folder, templateName, copy, values); }, last),
                  parent);
      return;
    }
    case LayerCommand::kBringForward:
    case LayerCommand::kSendBackward: {
      const int steps = command == LayerCommand::kBringForward ? 1 : -1;
      ShowFailure(session.CommandStep([&] { return MoveLayer(folder, templateName, layer, steps); },
                                      [&] { return current + steps; }),
                  parent);
      return;
    }
    default:
      break;
  }

  const QString title = command == LayerCommand::kAdd ? QStringLiteral("Add Text Layer to \"%1\"").arg(templateName)
                        : command == LayerCommand::kAddLogo
                            ? QStringLiteral("Add Logo Layer to \"%1\"").arg(templateName)
                            : QStringLiteral("Rename Layer \"%1\" of \"%2\"").arg(layer, templateName);
  // A layer name has to be unique only within its template.
  CAddNewLayerDlg prompt(title, session.LayerNames(), parent);
  if (!adding) prompt.SetInitialName(layer);
  if (prompt.exec() != QDialog::Accepted) return;
  const QString name = prompt.Name();
  StoreResult result;
  if (adding) {
    const EditedLayer values = command == LayerCommand::kAddLogo ? NewLogoLayerValues() : NewTextLayerValues();
    result = session.CommandStep([&] { return AddLayerWithValues(folder, templateName, name, values); }, last);
  } else {
    result = session.CommandStep([&] { return RenameLayer(folder, templateName, layer, name); }, stay);
  }
  ShowFailure(result, parent);
}

}  // namespace vidmora
