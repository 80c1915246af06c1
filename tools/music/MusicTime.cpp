#include "tools/music/MusicTime.h"

const Section kSections[kSectionCount] = {
    {"intro", SECTION_INTRO, 0, 16},         {"build1", SECTION_BUILD, 16, 24},
    {"drop1", SECTION_DROP, 24, 40},         {"breakdown", SECTION_BREAKDOWN, 40, 56},
    {"build2", SECTION_BUILD, 56, 64},       {"drop2", SECTION_DROP, 64, 80},
    {"outro", SECTION_OUTRO, 80, kSongBars},
};

// Half-bar fills close every eight-bar phrase; the builds end on a whole bar of
// snare roll.
const Fill kFills[kFillCount] = {
    {7, 2}, {15, 2}, {23, 0}, {31, 2}, {39, 2}, {55, 2}, {63, 0}, {71, 2}, {79, 2}, {87, 2},
};

const Section& sectionAtBar(int bar) {
    for (const Section& section : kSections)
        if (bar < section.endBar) return section;
    return kSections[kSectionCount - 1];
}

bool fillCovers(int bar, int beat) {
    for (const Fill& fill : kFills)
        if (fill.bar == bar && beat >= fill.beat) return true;
    return false;
}

int fillStartRow(const Fill& fill) {
    return fill.bar * kRowsPerBar + fill.beat * kRowsPerBeat;
}

bool writeMusicMap(FILE* file) {
    fprintf(file, "# rows at 21.6 a second, 10 a beat, 40 a bar\n");
    fprintf(file, "bpm 129.6\n");
    for (const Section& section : kSections)
        fprintf(file, "section %s %d %d\n", section.name, section.firstBar * kRowsPerBar,
                section.endBar * kRowsPerBar);
    for (const Section& section : kSections)
        if (section.kind == SECTION_DROP)
            fprintf(file, "drop %d\n", section.firstBar * kRowsPerBar);
    for (const Fill& fill : kFills)
        fprintf(file, "fill %d\n", fillStartRow(fill));
    fprintf(file, "end %d\n", kEndRow);
    return fflush(file) == 0 && !ferror(file);
}
