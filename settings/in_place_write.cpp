// Writing settings.json over itself (the order of the steps, and why it is safe: the header).
#include "settings/in_place_write.hpp"

#include <algorithm>

namespace cloak {

namespace {

// Never in a JSON text, nor at the start of any file a save writes.
constexpr char kMark = '\0';

// Moves the record to the front of a file that begins with the mark and holds the record after
// its last mark, where the record's own bytes never reach. Until the record's first byte is
// written, the file still begins with the mark and its record is still whole after the last mark;
// from then on the file begins with the record, and whatever follows it is never read.
std::string MoveRecordToTheFront(file_platform::InPlaceFile& file, std::string_view record) {
    std::string failure = file.WriteAt(1, record.substr(1));
    if (failure.empty()) failure = file.Flush();
    if (failure.empty()) failure = file.WriteAt(0, record.substr(0, 1));
    if (failure.empty()) failure = file.Flush();
    if (failure.empty()) failure = file.SetLength(record.size());
    if (failure.empty()) failure = file.Flush();
    return failure;
}

}  // namespace

std::string_view RecordText(std::string_view fileBytes) {
    if (fileBytes.empty() || fileBytes.front() != kMark) return fileBytes;
    const std::size_t lastMark = fileBytes.rfind(kMark);
    const std::string_view record = fileBytes.substr(lastMark + 1);
    // A record that does not fit in front of its mark was never left by a write in place.
    return record.size() <= lastMark ? record : fileBytes;
}

InPlaceOutcome WriteInPlace(file_platform::InPlaceFile& file, std::string_view current,
                            std::string_view bytes) {
    // A write cut short first finishes, which changes nothing a load reads.
    bool changed = false;
    if (const std::string_view record = RecordText(current); record.data() != current.data()) {
        changed = true;
        if (std::string failure = MoveRecordToTheFront(file, record); !failure.empty()) {
            return {failure, changed};
        }
        current = record;
    }
    if (current == bytes) return {{}, changed};

    // Until the mark is written the front still holds the old record, whole: a failure before
    // then cuts the file back to it.
    const std::uint64_t lastMark = std::max(current.size(), bytes.size());
    std::string markAndRecord(1, kMark);
    markAndRecord += bytes;
    std::string failure = file.Reserve(lastMark + markAndRecord.size());
    if (failure.empty()) failure = file.WriteAt(lastMark, markAndRecord);
    if (failure.empty()) failure = file.Flush();
    if (!failure.empty()) {
        const bool restored = file.SetLength(current.size()).empty();
        return {failure, changed || !restored};
    }
    failure = file.WriteAt(0, std::string_view(&kMark, 1));
    if (failure.empty()) failure = file.Flush();
    if (failure.empty()) failure = MoveRecordToTheFront(file, bytes);
    return {failure, true};
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
    return file_platform::ReadLocked(file);
}

InPlaceOutcome WriteFileInPlace(const std::filesystem::path& file, std::string_view bytes) {
    std::string current;
    std::string failure;
    const std::unique_ptr<file_platform::InPlaceFile> open =
        file_platform::OpenInPlace(file, current, failure);
    if (!open) return {failure, false};
    return WriteInPlace(*open, current, bytes);
}

}  // namespace cloak
