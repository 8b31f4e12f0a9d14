// The page's own texts (page_texts.js) in the game's language.
#pragma once

namespace kokurin::web {

// Tells the page the game's language when it differs from what the page was last told.
void tellPageLanguage();

} // namespace kokurin::web
