// Every text of online play (the title's line, the lobby, the match's status, the verdicts), in
// one table per language.
#pragma once

namespace kokurin {

struct OnlineTexts {
    const char* titleLine;
    const char* heading;
    // "%s": the server's address.
    const char* connecting;
    const char* connected;
    const char* noNetwork;
    const char* cannotConnect;
    const char* connectionLost;
    // "%s": the game version the server runs.
    const char* wrongVersion;
    const char* roomFull;
    const char* roomUnknown;
    const char* refused;
    const char* lobbyHelp;
    const char* nameItem;
    const char* defaultName;
    const char* createItem;
    const char* joinItem;
    const char* quickItem;
    const char* roomsHeading;
    const char* noRooms;
    // "%s %s %s %u": code, 1P's name, 2P's name, spectators.
    const char* roomLine;
    const char* playing;
    // "%s": the room's code.
    const char* waitingInRoom;
    const char* shareCode;
    const char* waitingInQueue;
    const char* backToLobby;
    const char* back;
    // The match: "%s %s": 1P's and 2P's names; "%u": the round trip.
    const char* namesLine;
    const char* pingLine;
    const char* watching;
    // While the frames are held: the other player's are late, the players' (watching), this
    // player's own echo, the server gone; "%d": seconds until the silent player loses.
    const char* waitingForPlayer;
    const char* waitingForPlayers;
    const char* waitingForServer;
    const char* reconnecting;
    const char* goneCountdown;
    // After the match.
    const char* winner[2];
    const char* otherLeft;
    const char* youLeft;
    const char* otherGone;
    const char* parted;
    // The match reached the longest the server plays.
    const char* tooLong;
    const char* waitingForVerdict;
    // The two choices after a match, each its own button.
    const char* afterRematch;
    const char* afterLobby;
    const char* waitingForRematch;
    // The server's certificate does not verify (wss://): the game refuses to connect.
    const char* untrustedServer;
    const char* rematchAsked;
    // A page loaded again came back for a match that is over.
    const char* resumedTooLate;
    // The typed fields (text_entry.h): the help line and the on-screen keyboard's OK and cancel.
    const char* typingHelp;
    const char* typingDone;
    const char* typingCancel;
    // The settings' server address that is none, and the name's and address's captions there.
    const char* notAnAddress;
    // Ranked play: the lobby's line for the queue, and waiting in it ("%u": the rating points
    // the player accepts now).
    const char* rankedItem;
    const char* waitingRanked;
    // The player's standing: "%u %u %u %u" rating, two deviations, rank, rated games; before the
    // first rated match "%u %u" rating, two deviations.
    const char* ratingLine;
    const char* unrankedLine;
    // The last ranked match's change, "%u %u": before, after; in the lobby and on the verdict.
    const char* lastChange;
    const char* ratedChange;
    // Why a ranked match was not rated, in net::RatedOutcome's order from TooShort.
    const char* unrated[6];
    // The top of the leaderboard: its heading, and a line "%u %s %u": rank, name, rating.
    const char* topTen;
    const char* leaderLine;
    // Refusals: the name is another key's, the key already waits or plays, the player has no
    // key, the server has no ranked play, its ratings cannot be reached.
    const char* nameTaken;
    const char* rankedSameKey;
    const char* rankedNoKey;
    const char* rankedNotHere;
    const char* rankedStoreFailed;
    // The settings' player key: its caption, what it is for, a code that is none, and a key
    // taken from another device.
    const char* keyCaption;
    const char* keyHelp;
    const char* keyRefused;
    const char* keyChanged;
    // The button that leaves a running match (a player's) or stops watching it (a spectator's).
    const char* leaveMatch;
    const char* stopWatching;
};

const OnlineTexts& japaneseOnlineTexts();
const OnlineTexts& englishOnlineTexts();
// The game language's table.
const OnlineTexts& onlineTexts();

} // namespace kokurin
