// The page's own texts (page_texts.js) in the game's language, its key line naming the keys bound.
#pragma once

namespace kokurin::web {

// Tells the page the game's language and the keys bound when they differ from what the page was
// last told.
void tellPageLanguage();

} // namespace kokurin::web
