#include "app/templates/layer_commands.h"

#include "app/templates/layer_session.h"
#include "app/templates/layer_store.h"
#include "app/templates/name_prompt.h"
#include "app/templates/template_names.h"

#include <QComboBox>
#include <QMenu>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QToolButton>

namespace vidmora {

namespace {

const QString kCaption = QStringLiteral("Vidmora");

void ShowFailure(const StoreResult& result, QWidget* parent) {
  if (!result.ok) QMessageBox::warning(parent, kCaption, result.message);
}

}  // namespace

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
  add("Add New Layer", "add_layer_action", LayerCommand::kAdd);
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
  const QString path = LayerFilePath(session.TemplatesFolder(), session.CurrentLayerName());
  const auto answer = QMessageBox::question(
      parent, kCaption,
      QStringLiteral("The layer file %1 cannot be read, so this layer cannot be edited.\n\n"
                     "Replace it with a new layer of default values? The file's present content is lost.")
          .arg(path),
      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer == QMessageBox::Yes) ShowFailure(session.ReplaceUnreadable(), parent);
}

void RunLayerCommand(LayerCommand command, LayerSession& session, QWidget* parent) {
  const QString folder = session.TemplatesFolder();
  const QString templateName = session.TemplateName();
  const QString layer = session.CurrentLayerName();
  if (command != LayerCommand::kAdd && layer.isEmpty()) {
    QMessageBox::information(parent, kCaption, QStringLiteral("Please select a layer first."));
    return;
  }
  if (command == LayerCommand::kRemove) {
    if (QMessageBox::question(parent, kCaption, QStringLiteral("Are you sure to remove the layer \"%1\"?").arg(layer),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return;
    const StoreResult result = RemoveLayer(folder, templateName, layer);
    ShowFailure(result, parent);
    if (result.ok) session.ReloadLayers(session.CurrentIndex());
    return;
  }

  const bool adding = command == LayerCommand::kAdd;
  CAddNewLayerDlg prompt(adding ? QStringLiteral("Add New Layer") : QStringLiteral("Rename This Layer"),
                         NamesInUse(folder), parent);
  if (prompt.exec() != QDialog::Accepted) return;
  // Pending edits are on disk already; the file is read again after a rename.
  session.Save();
  const StoreResult result =
      adding ? AddLayer(folder, templateName, prompt.Name()) : RenameLayer(folder, templateName, layer, prompt.Name());
  ShowFailure(result, parent);
  if (!result.ok) return;
  const int index = adding ? static_cast<int>(session.LayerNames().size()) : session.CurrentIndex();
  session.ReloadLayers(index);
}

}  // namespace vidmora
