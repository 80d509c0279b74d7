#pragma once

#include <QSize>
#include <QString>

#include <optional>

/// Headless Chromium for tests that check what a browser makes of a page.
namespace HeadlessChromium {

/// The browser's executable, or the empty text when none is installed.
QString executable();

/// Loads \a page (a local file) in a fresh profile with a window of \a window, lets its scripts
/// run, and returns the document as serialised afterwards; nothing when the browser failed.
std::optional<QString> dumpDom(const QString &page, QSize window);

} // namespace HeadlessChromium
