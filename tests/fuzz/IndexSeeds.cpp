// Writes the index reader's seed corpus into the folder it is given: two small
// dictionaries indexed by this build's own writer, so the seeds are always of
// the format the reader expects. Seeds of an older format would stop at the
// header and leave the rest of the reader unfuzzed.
#include "dict/Dictionary.h"
#include "tests/support/DictFixture.h"

#include <cstdio>
#include <exception>
#include <filesystem>

using namespace vorlinda::site;

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        // Numbered senses, a compound, a pointer, a flat list and Turkish keys.
        const TempDir dictionaries = DictFixture::dictionaries(
            {{"eng-tur",
              {{"book", "book\n1. kitap, defter\n2. kayıt\nbookcase kitaplık\n"},
               {"children", "children\n(bak.) child\n"},
               {"house", "house\nev, konut\n"}}},
             {"tur-eng",
              {{"ev", "ev\n1. home\n2. house\n3. abode\n4. dwelling\n"},
               {"ılık", "ılık\nlukewarm\n"}}}});
        const std::filesystem::path out = argv[1];
        std::filesystem::create_directories(out);
        Dictionary(dictionaries / "freedict-eng-tur.index",
                   dictionaries / "freedict-eng-tur.dict.dz", false, true)
            .buildIndex(out / "eng-tur");
        Dictionary(dictionaries / "freedict-tur-eng.index",
                   dictionaries / "freedict-tur-eng.dict.dz", true, false)
            .buildIndex(out / "tur-eng-turkish-keys");
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
