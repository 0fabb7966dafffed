// The windows of other subsystems that file dispatch creates (tables, plots,
// QUIVET forms) and the index dialog, reached through one call each so that
// those subsystems plug in without changing the dispatch.
#pragma once
#include <QString>
#include <functional>

class TDocWindow;

struct DocumentFactories {
    // Each creates the window and lets it read the file; it throws pal::IoError
    // when the file cannot be read.
    std::function<TDocWindow*(const QString& path)> tableWindow;
    std::function<TDocWindow*(const QString& path)> plotWindow;
    std::function<TDocWindow*(const QString& path)> quivetWindow;
    // Shows the index dialog on an index file.
    std::function<void(const QString& indexPath)> indexDialog;
};

DocumentFactories& docFactories();
