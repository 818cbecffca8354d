#include "app/ExtraPortCommands.h"

#include <sys/stat.h>

#include <cerrno>

#include "app/Application.h"
#include "app/MixStatus.h"
#include "app/RemoteActions.h"
#include "control/EventTarget.h"

namespace gm {

void ExtraPortCommands::addTo(CommandTable& table, Application& app, RemoteActions& actions) {
  table.add("LOAD", "PATH/A/F", [&app, &actions](const CommandTable::Arguments& args) {
    return load(app, actions.currentDeck() == 0 ? Application::kDeckA : Application::kDeckB, args[0].text);
  });
  table.add("OPEN", "PATH/A/F", [&app](const CommandTable::Arguments& args) {
    return load(app, openTarget(app), args[0].text);
  });
  table.add("STATUS", "", [&app, &actions](const CommandTable::Arguments&) {
    return CommandReply::done(MixStatus::describe(app, actions.currentDeck()));
  });
  table.add("EVENT", "ZONE/A,NAME/A,VALUE/N/A",
            [&app](const CommandTable::Arguments& args) { return fireEvent(app, args); });
  table.add("CROSSFADER", "POSITION/N/A", [&app](const CommandTable::Arguments& args) {
    app.crossFader().setValue(args[0].number);  // held to -60..60
    return CommandReply::done();
  });
  table.add("QUIT", "", [&app](const CommandTable::Arguments&) {
    app.endByBreakSignal();
    return CommandReply::done();
  });
}

// A file opened from the desktop goes where it cannot interrupt the set: deck A, unless deck A is
// playing or already taking a file (the first of several opened at once).
int ExtraPortCommands::openTarget(Application& app) {
  const Deck& deckA = app.deck(Application::kDeckA);
  return deckA.playing() || deckA.busy() ? Application::kDeckB : Application::kDeckA;
}

CommandReply ExtraPortCommands::load(Application& app, int deckNumber, const QByteArray& path) {
  if (path.contains('\0')) return CommandReply::error(CommandReply::kBadArgument, "a path has no NUL byte");
  // Checked before the deck lets go of its track: a mistyped name must not empty a deck.
  struct stat file{};
  if (::stat(path.constData(), &file) != 0) {
    return CommandReply::error(CommandReply::kRefused, errno == ENOENT ? "File not found" : "Cannot read the file");
  }
  if (!S_ISREG(file.st_mode)) return CommandReply::error(CommandReply::kRefused, "Not a file");
  Deck& deck = app.deck(deckNumber);
  if (deck.playing()) return CommandReply::error(CommandReply::kRefused, "the deck is playing");
  if (deck.busy() || !deck.loadEntry(TrackEntry::fromNativePath(path))) {
    return CommandReply::error(CommandReply::kRefused, "the deck is busy");
  }
  return CommandReply::done();
}

CommandReply ExtraPortCommands::fireEvent(Application& app, const CommandTable::Arguments& args) {
  const QString zone = QString::fromUtf8(args[0].text);
  const QString name = QString::fromUtf8(args[1].text);
  for (const EventBinding& record : app.events().records()) {
    // Scripts name events as mapping files do (the built-in names) or as the editor shows them.
    const auto same = [](const QString& given, const QString& key, const QString& shown) {
      return given.compare(key, Qt::CaseInsensitive) == 0 || given.compare(shown, Qt::CaseInsensitive) == 0;
    };
    if (record.target == nullptr || !same(zone, record.zoneKey, record.zone) || !same(name, record.nameKey, record.name)) {
      continue;
    }
    record.target->invokeEvent(record.method, args[2].number);
    return CommandReply::done();
  }
  return CommandReply::error(CommandReply::kRefused, "no such event");
}

}  // namespace gm
