// The open dialog's filter list in Qt's form.
#include "QtFileDialog.h"

#include <gtest/gtest.h>

namespace sorvel {
namespace {

TEST(FileDialogFilters, EachFilterNamesItsRealPatternsOnce) {
    const QString filters = qtFileFilters({
        {"Wave Format (*.wav)", "*.wav"},
        {"All audio files (*.*)", "*.mp3; *.ogg"},
        {"ScreamtrackerⅢ", "*.s3m"},
    });
    EXPECT_EQ(filters, QStringLiteral("Wave Format (*.wav);;All audio files (*.mp3 *.ogg);;"
                                      "ScreamtrackerⅢ (*.s3m)"));
}

} // namespace
} // namespace sorvel
