// Every interface picture of Settings.bundle by relative path, with the drawing that
// makes it. The names are the ones the windows ask for, spelled exactly as they do
// (including "Cut/btnStop__On.png" and the Chinese names of the rotate buttons).
#pragma once

#include <QColor>
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

class Catalog {
public:
    struct Entry {
        QString path;
        std::function<QImage()> make;
        // Colour under transparent parts when the file format has no alpha (.bmp).
        QColor matte;
    };

    Catalog();
    const std::vector<Entry>& entries() const { return entries_; }

private:
    void add(const QString& path, std::function<QImage()> make, const QColor& matte);
    void addHome();
    void addEditorStrip();
    void addEditorButtons();
    void addCutterButtons();
    void addCutter();
    void addCutterPanels();
    void addTransport();
    void addPanels();
    void addSplitter();
    void addEffects();

    std::vector<Entry> entries_;
};
