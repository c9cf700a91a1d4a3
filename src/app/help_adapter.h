// Help: the program's help calls name targets such as "Duvra.chm" (the
// default topic) or "Duvra.chm::/2000.html" (one topic). This adapter shows
// the named page from the data folder's help/ in one help window of ours.
#pragma once

#include <QString>
#include <string>

#include "app/widgets_fwd.h"

namespace duvra {

inline constexpr char kHelpFile[] = "Duvra.chm";
inline constexpr char kDefaultHelpTopic[] = "index.html";

// The topic file that a help target names: the part after "::/", or the
// default topic when the target names the help file alone.
QString HelpTopicOf(const std::string& target);

// Shows the target's topic in the help window, creating the window on first
// use and raising it. A topic that does not exist shows a short notice in
// the window instead.
void HtmlHelp(const std::string& target);
// Closes every help window.
void HtmlHelpCloseAll();

// The help window, or null before the first help call (tests).
QWidget* HelpWindow();
QTextBrowser* HelpBrowser();

// The folder the topics are read from, ending with "/".
QString HelpFolder();

}  // namespace duvra
