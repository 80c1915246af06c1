#include "StudioEdit.h"

#include "FileWatch.h"
#include "tracks/TrackCompile.h"

namespace {

const char* const kTracksFolder = "tracks/";
const char* const kTrackSuffix = ".tracks";

struct Source {
    std::string name; // within tracks/
    std::string text;
};

bool readSources(const StudioEdit& edit, std::vector<Source>* sources, std::string* message) {
    const std::string dir = edit.showDir + kTracksFolder;
    for (const FileStamp& stamp : scanFolder(dir, kTrackSuffix)) {
        Source source{stamp.name, {}};
        if (!trackc::readTextFile(dir + stamp.name, &source.text)) {
            *message = kTracksFolder + stamp.name + ": cannot read";
            return false;
        }
        sources->push_back(source);
    }
    return true;
}

bool parseSources(const StudioEdit& edit, const std::vector<Source>& sources,
                  std::vector<trackc::EditTrack>* tracks, std::string* message) {
    for (const Source& source : sources) {
        trackc::Error error;
        if (!trackc::parseSourceKeys(source.text, kTracksFolder + source.name, edit.map, tracks,
                                     &error)) {
            *message = trackc::formatError(error);
            return false;
        }
    }
    return true;
}

bool writeFiles(const StudioEdit& edit, const std::vector<trackc::FileBytes>& files,
                std::vector<std::string>* written, std::string* message) {
    for (const trackc::FileBytes& file : files) {
        trackc::Error error;
        if (!trackc::writeFileAtomically(edit.showDir + file.file, file.bytes, &error)) {
            *message = trackc::formatError(error);
            return false;
        }
        written->push_back(file.file.substr(std::string(kTracksFolder).size()));
    }
    return true;
}

} // namespace

bool readSourceKeys(const StudioEdit& edit, std::vector<trackc::EditTrack>* tracks,
                    std::string* message) {
    std::vector<Source> sources;
    return readSources(edit, &sources, message) && parseSources(edit, sources, tracks, message);
}

bool applyStudioEdits(StudioEdit* edit, const std::vector<trackc::KeyEdit>& edits,
                      std::vector<std::string>* written, std::string* message) {
    std::vector<Source> sources;
    std::vector<trackc::EditTrack> tracks;
    if (!readSources(*edit, &sources, message) || !parseSources(*edit, sources, &tracks, message))
        return false;
    // Every file's result first, so that a refusal in any file writes none.
    std::vector<trackc::FileChange> changes;
    size_t handled = 0;
    for (const Source& source : sources) {
        const std::string file = kTracksFolder + source.name;
        const std::vector<trackc::KeyEdit> ofFile = trackc::editsOfFile(tracks, edits, file);
        if (ofFile.empty()) continue;
        handled += ofFile.size();
        std::string result;
        trackc::Error error;
        if (!trackc::applyKeyEdits(source.text, file, edit->map, ofFile, &result, &error)) {
            *message = trackc::formatError(error);
            return false;
        }
        if (result != source.text) changes.push_back(trackc::FileChange{file, source.text, result});
    }
    if (handled != edits.size()) {
        *message = "no source defines track " + edits.front().track;
        return false;
    }
    std::vector<trackc::FileBytes> files;
    for (const trackc::FileChange& change : changes)
        files.push_back(trackc::FileBytes{change.file, change.after});
    if (!writeFiles(*edit, files, written, message)) return false;
    trackc::recordEdit(&edit->history, changes);
    return true;
}

bool undoStudioEdit(StudioEdit* edit, bool redo, std::vector<std::string>* written,
                    std::string* message) {
    const std::vector<std::string> names =
        redo ? trackc::redoFiles(edit->history) : trackc::undoFiles(edit->history);
    if (names.empty()) {
        *message = redo ? "nothing to redo" : "nothing to undo";
        return false;
    }
    std::vector<trackc::FileBytes> current;
    for (const std::string& name : names) {
        trackc::FileBytes file{name, {}};
        if (trackc::readTextFile(edit->showDir + name, &file.bytes)) current.push_back(file);
    }
    std::vector<trackc::FileBytes> writes;
    trackc::Error error;
    const bool done = redo ? trackc::redoEdit(&edit->history, current, &writes, &error)
                           : trackc::undoEdit(&edit->history, current, &writes, &error);
    if (!done) {
        *message = trackc::formatError(error);
        return false;
    }
    return writeFiles(*edit, writes, written, message);
}

bool copyStudioBlock(StudioEdit* edit, const std::vector<std::string>& names, int32_t firstRow,
                     int32_t rows, std::string* message) {
    std::vector<trackc::EditTrack> tracks;
    if (!readSourceKeys(*edit, &tracks, message)) return false;
    edit->copied = trackc::copyKeyBlock(tracks, names, firstRow, rows);
    size_t keys = 0;
    for (const std::vector<Key>& column : edit->copied.keys)
        keys += column.size();
    *message = "copied " + std::to_string(keys) + " keys (" + std::to_string(rows) + " rows x " +
               std::to_string(names.size()) + " tracks)";
    return true;
}

std::string keyOrigin(const std::vector<trackc::EditTrack>& tracks, const std::string& track,
                      int32_t row) {
    for (const trackc::EditTrack& edited : tracks) {
        if (edited.name != track) continue;
        for (const trackc::SourceKey& key : edited.keys) {
            if (key.key.row != row) continue;
            std::string text = edited.file + ":" + std::to_string(key.line);
            if (key.repeatLine)
                text += ", from the repeat at line " + std::to_string(key.repeatLine) +
                        " (an edit changes every instance)";
            return text;
        }
    }
    return "";
}
