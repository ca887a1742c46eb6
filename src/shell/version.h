#pragma once

#include <QString>

// "1.12.1"
QString VersionNumber();
// " RU  Version: 1.12.1 Build: <build date> ", appended to the title in the caption.
QString VersionText();
// The caption without a custom title: "TARVO/COM" + VersionText().
QString DefaultCaption();
