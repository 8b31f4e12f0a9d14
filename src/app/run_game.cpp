// The game from start-up to shutdown, the same on every front end: each step is the front end's,
// the order is the game's.
#include "app/frame_pump.h"
#include "input/key_bindings.h"
#include "platform/platform.h"
#include "screens/flash_options.h"
#include "screens/game_texts.h"
#include "screens/help_overlay.h"
#include "screens/online_request.h"
#include "screens/title_screen.h"
#include "settings/settings.h"
#include "sound/sound_bank.h"
#include "sound/sound_schedule.h"

namespace kokurin {

const char* const gameFontFile = "data/ZUDEV.TTF";

int runGame(ScreenRun firstScreen) {
    return runGame(firstScreen, OnlineRequest{});
}

int runGame(ScreenRun firstScreen, const OnlineRequest& online) {
    // Nothing is set up yet when another copy already runs.
    if (!claimSingleInstance()) {
        // Before the settings: the player's or the system's language alone.
        showMessageBox(
            textsOf(chooseLanguage(requestedLanguage(), "", systemLanguage())).secondInstance);
        return 0;
    }
    enterExecutableFolder();
    // Read before the window opens, whose size and fullscreen they choose.
    Settings settings = loadSettings();
    setActiveKeyBindings(settings.keys);
    setGameLanguage(chooseLanguage(requestedLanguage(), settings.language, systemLanguage()));
    setReduceFlashing(settings.reduceFlashing);
    // Drawn only while asked for, over frames that are otherwise the screens' own.
    installedFramePump()->setBeforePresent(&drawHelpBeforePresent);
    setWindowPreferences(settings.fullscreen, settings.windowScale);
    const int refused = openDisplay();
    if (refused != 0) {
        return refused;
    }
    const bool fontAdded = registerGameFont();
    openInput();
    // The sounds are made once, for a device that can play them.
    if (openSound()) {
        loadSoundBank();
    }
    resetSoundSchedule();
    // Only what differs from a start without settings is applied, so that such a start makes
    // exactly the calls it always made.
    if (settings.volume != 100) {
        setSoundVolume(settings.volume);
    }
    if (!settings.soundOn) {
        muteSound(true);
    }
    // The run's series of matches, seeded last of all, right before the first screen.
    PlaySession session;
    session.series.random.seed(clockMilliseconds());
    beginFirstFrame();

    if (firstScreen != nullptr) {
        firstScreen(session);
    } else {
        runTitleScreen(session, settings, online);
    }

    closeDisplay();
    if (fontAdded) {
        unregisterGameFont();
    }
    return 0;
}

} // namespace kokurin
