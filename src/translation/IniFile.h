#pragma once
#include <QString>
#include <vector>

namespace velvo::translation {

// A read-only initialisation-style file with the semantics of the platform's profile-string
// reading: "[Section]" lines open sections, "key=value" lines make entries; section names and
// keys match ignoring letter case; keys and values are trimmed of blanks and control characters;
// a value wholly inside a pair of single or double quotes loses them; the first occurrence of a
// key in a section wins (sections of the same name are read as one); values are cut to
// MaxValueLength characters. Lines end in LF or CRLF; a line whose first visible character is ';'
// is a comment, a line without '=' or before any section is ignored.
class IniFile {
public:
    static constexpr qsizetype MaxValueLength = 1023;
    // A larger file is taken for an unreadable one rather than read into memory.
    static constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;

    // Reads the whole file now. A missing or unreadable file gives an empty reader.
    explicit IniFile(const QString& path);

    // Parses text already decoded (tests, and the file constructor).
    static IniFile fromText(const QString& text);

    bool isLoaded() const { return loaded_; }
    const QString& path() const { return path_; }

    // The value of key in section, or fallback when the section or the key is missing.
    // The key is trimmed before the search, as the platform call does.
    QString readString(const QString& section, const QString& key, const QString& fallback) const;

private:
    IniFile() = default;
    void parse(const QString& text);

    struct Entry {
        QString section;
        QString key;
        QString value;
    };
    QString path_;
    bool loaded_ = false;
    std::vector<Entry> entries_;
};

} // namespace velvo::translation
