// Writes the generated images (OUTDIR/1x/NAME, OUTDIR/2x/NAME) and the source file
// that embeds them in the plug-in (OUTDIR/EditorArtwork.cpp): the PNG bytes are pulled
// in by the assembler's .incbin into a read-only section, and a table of
// VSTGUI::RESOURCE_ENTRY records points at them (kEditorArtwork, kEditorArtworkCount,
// declared in Source/Gui/EditorArtwork.h). Generator thread only.
#pragma once

#include <string>
#include <vector>

class CResourceWriter
{
  public:
    explicit CResourceWriter(std::string outDir);

    // Creates OUTDIR, OUTDIR/1x and OUTDIR/2x. False on failure.
    bool Prepare();
    // Writes one image (scale 1 or 2) and records it for the table. False on failure.
    bool AddImage(const std::string& name, int scale, const std::vector<unsigned char>& png);
    // Writes EditorArtwork.cpp if its text differs from the file on disk (so an
    // unchanged set of images does not recompile). changed receives whether it wrote.
    bool WriteSource(bool& changed) const;
    // The text of EditorArtwork.cpp (its content checksums follow the image bytes, so
    // any change of an image changes the text and recompiles the embedding).
    std::string SourceText() const;

    unsigned long TotalBytes() const;
    int ImageCount() const { return static_cast<int>(m_images.size()); }

    // "a\"b\\c" for a C++ string literal that holds an assembler string literal.
    static std::string EscapeForAsmInCpp(const std::string& text);
    // 64-bit FNV-1a checksum.
    static unsigned long long Checksum(const std::vector<unsigned char>& bytes);

  private:
    struct IMAGE
    {
        std::string name;
        int scale;
        std::string path;
        unsigned long size;
        unsigned long long checksum;
    };

    std::string m_outDir;
    std::vector<IMAGE> m_images;
};
