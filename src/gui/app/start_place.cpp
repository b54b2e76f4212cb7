#include "gui/app/start_place.h"

#include <QDir>
#include <QSettings>

#include "core/install/installation.h"
#include "core/install/start_place.h"

namespace vmx::app {

namespace {

const char* const kRememberedKey = "installation/directory";

std::filesystem::path path_of(const QString& dir) { return dir.toStdString(); }

}  // namespace

void enter_installation(platform::Dialogs& dialogs, const QStringList& arguments) {
  if (arguments.size() > 1 && QDir(arguments.at(1)).exists()) QDir::setCurrent(arguments.at(1));
  QSettings settings(QStringLiteral("Valmorix"), QStringLiteral("valmorix"));
  store::StartPlaces places;
  places.current = path_of(QDir::currentPath());
  places.remembered = path_of(settings.value(kRememberedKey).toString());
  places.home = path_of(QDir::homePath());
  const auto chosen = store::choose_installation(places, dialogs, store::local_today());
  if (!chosen) return;
  const QString dir = QString::fromStdString(chosen->string());
  QDir::setCurrent(dir);
  settings.setValue(kRememberedKey, QDir::currentPath());
}

}  // namespace vmx::app
