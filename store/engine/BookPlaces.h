#pragma once

#include <QString>

#include <utility>

// Where the phrase book file may lie. A portable copy, the build folder included, keeps it in
// the program's own folder. An installed copy's folder belongs to root, so each user has their
// own file in their data folder, first copied from the template installed with the program.
struct BookPlaces {
    // The program's folder alone, as tests and tools use it.
    BookPlaces(QString folder)
        : programFolder(std::move(folder))
    {
    }
    BookPlaces(QString program, QString data, QString bookTemplate)
        : programFolder(std::move(program))
        , dataFolder(std::move(data))
        , templateFile(std::move(bookTemplate))
    {
    }

    QString programFolder;
    QString dataFolder; // empty: the program's folder is the only place
    QString templateFile;
};

// The places of the running program: its folder, the user's data folder for this application
// and the template installed beside the program.
BookPlaces ProgramBookPlaces();
