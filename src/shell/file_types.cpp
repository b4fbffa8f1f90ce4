// The file type catalogue as constant data.
#include "shell/file_types.h"

namespace ph {

namespace {

constexpr IconKind kOwn = IconKind::OwnIcon;
constexpr IconKind kView = IconKind::Viewer0;
constexpr IconKind kAudio = IconKind::Viewer8;
constexpr IconKind kVideo = IconKind::Viewer9;

// An extension's class is its row's first extension, except where an extension keeps a class of
// its own (cr2, cr3, jng, flv, mpe, rmi).
constexpr FileTypeRow kCatalogue[kFileTypeRowCount] = {
    // Images
    {L"ANI", L"Animated Windows Cursors *", 1, {{L"ani", L"ani"}}, kOwn},
    {L"B3D", L"BodyPaint 3D Format *", 1, {{L"b3d", L"b3d"}}, kView},
    {L"BMP/DIB", L"Windows Bitmap", 2, {{L"bmp", L"bmp"}, {L"dib", L"bmp"}}, kView},
    {L"CLP", L"Windows Clipboard *", 1, {{L"clp", L"clp"}}, kView},
    {L"CRW/CR2/CR3", L"Canon RAW Format *", 3, {{L"crw", L"crw"}, {L"cr2", L"cr2"}, {L"cr3", L"cr3"}}, kView},
    {L"CUR", L"Windows Cursor", 1, {{L"cur", L"cur"}}, kOwn},
    {L"DCM/ACR/IMA", L"DICOM Format *", 3, {{L"dcm", L"dcm"}, {L"acr", L"dcm"}, {L"ima", L"dcm"}}, kView},
    {L"DCX", L"Multipage Zsoft Paintbrush", 1, {{L"dcx", L"dcx"}}, kView},
    {L"DDS", L"Direct Draw Surface *", 1, {{L"dds", L"dds"}}, kView},
    {L"DJVU/IW44", L"DjVu Format *", 2, {{L"djvu", L"djvu"}, {L"iw44", L"djvu"}}, kView},
    {L"DXF", L"Drawing Interchange Format *", 1, {{L"dxf", L"dxf"}}, kView},
    {L"ECW", L"Enhanced Compressed Wavelet *", 1, {{L"ecw", L"ecw"}}, kView},
    {L"EMF", L"Enhanced Windows Metafile", 1, {{L"emf", L"emf"}}, kView},
    {L"EPS/PS", L"PostScript Format *", 2, {{L"eps", L"eps"}, {L"ps", L"eps"}}, kView},
    {L"EXR", L"EXR Format *", 1, {{L"exr", L"exr"}}, kView},
    {L"G3", L"G3 FAX Format *", 1, {{L"g3", L"g3"}}, kView},
    {L"GIF", L"Compuserve GIF", 1, {{L"gif", L"gif"}}, kView},
    {L"HDP/JXR/WDP", L"JPEG-XR/HD-Photo Format *", 3, {{L"hdp", L"hdp"}, {L"jxr", L"hdp"}, {L"wdp", L"hdp"}}, kView},
    {L"HEIC", L"High Efficiency Image File Format *", 1, {{L"heic", L"heic"}}, kView},
    {L"ICO", L"Windows Icon", 1, {{L"ico", L"ico"}}, kOwn},
    {L"IFF/LBM", L"Amiga Interchange File Format *", 2, {{L"iff", L"iff"}, {L"lbm", L"iff"}}, kView},
    {L"JLS", L"JPEG-LS Format *", 1, {{L"jls", L"jls"}}, kView},
    {L"JP2/JPC/J2K", L"JPEG2000 Format *", 3, {{L"jp2", L"jp2"}, {L"jpc", L"jp2"}, {L"j2k", L"jp2"}}, kView},
    {L"JPG/JPEG/JFIF/JPE",
     L"JPEG Format",
     4,
     {{L"jpg", L"jpg"}, {L"jpeg", L"jpg"}, {L"jfif", L"jpg"}, {L"jpe", L"jpg"}},
     kView},
    {L"JPM", L"JPM Format *", 1, {{L"jpm", L"jpm"}}, kView},
    {L"JXL", L"JPEG XL Format *", 1, {{L"jxl", L"jxl"}}, kView},
    {L"MNG/JNG", L"Multiple Network Graphics *", 2, {{L"mng", L"mng"}, {L"jng", L"jng"}}, kView},
    {L"PBM", L"Portable Bitmap", 1, {{L"pbm", L"pbm"}}, kView},
    {L"PCD", L"Kodak Photo CD", 1, {{L"pcd", L"pcd"}}, kView},
    {L"PCX", L"Zsoft Paintbrush", 1, {{L"pcx", L"pcx"}}, kView},
    {L"PGM", L"Portable Greymap", 1, {{L"pgm", L"pgm"}}, kView},
    {L"PNG", L"Portable Network Graphics", 1, {{L"png", L"png"}}, kView},
    {L"PPM", L"Portable Pixelmap", 1, {{L"ppm", L"ppm"}}, kView},
    {L"PSD", L"Adobe Photoshop Image", 1, {{L"psd", L"psd"}}, kView},
    {L"PSP", L"Paint Shop Pro Image *", 1, {{L"psp", L"psp"}}, kView},
    {L"QOI", L"Quite OK Image *", 1, {{L"qoi", L"qoi"}}, kView},
    {L"RAS/SUN", L"Sun Raster Format *", 2, {{L"ras", L"ras"}, {L"sun", L"ras"}}, kView},
    {L"RAW", L"RAW Image Data *", 1, {{L"raw", L"raw"}}, kView},
    {L"RLE", L"Utah RLE Format *", 1, {{L"rle", L"rle"}}, kView},
    {L"SFF", L"Structured Fax Format *", 1, {{L"sff", L"sff"}}, kView},
    {L"SGI/RGB", L"Silicon Graphics Image *", 2, {{L"sgi", L"sgi"}, {L"rgb", L"sgi"}}, kView},
    {L"SID", L"LizardTech MrSID Format *", 1, {{L"sid", L"sid"}}, kView},
    {L"TGA", L"Truevision Targa", 1, {{L"tga", L"tga"}}, kView},
    {L"TIF/TIFF", L"Tagged Image File Format", 2, {{L"tif", L"tif"}, {L"tiff", L"tif"}}, kView},
    {L"WBMP", L"WAP Bitmap *", 1, {{L"wbmp", L"wbmp"}}, kView},
    {L"WEBP", L"Weppy Format *", 1, {{L"webp", L"webp"}}, kView},
    {L"WMF", L"Windows Metafile", 1, {{L"wmf", L"wmf"}}, kView},
    {L"XBM", L"X-Bitmap *", 1, {{L"xbm", L"xbm"}}, kView},
    {L"XPM", L"X-Pixmap *", 1, {{L"xpm", L"xpm"}}, kView},
    // Flash and fonts
    {L"SWF/FLV", L"Macromedia Flash Format *", 2, {{L"swf", L"swf"}, {L"flv", L"flv"}}, kView},
    {L"TTF", L"True Type Font Format *", 1, {{L"ttf", L"ttf"}}, kView},
    // Video
    {L"ASF", L"Advanced Systems Format *", 1, {{L"asf", L"asf"}}, kVideo},
    {L"AVI", L"Video for Windows *", 1, {{L"avi", L"avi"}}, kVideo},
    {L"MPG/MPE/MPEG", L"MPEG Movie *", 3, {{L"mpg", L"mpg"}, {L"mpe", L"mpe"}, {L"mpeg", L"mpg"}}, kVideo},
    {L"MOV", L"Apple QuickTime Movie *", 1, {{L"mov", L"mov"}}, kVideo},
    {L"WMV", L"Windows Media Video File *", 1, {{L"wmv", L"wmv"}}, kVideo},
    // Audio
    {L"AIF", L"Audio Interchange Format *", 1, {{L"aif", L"aif"}}, kAudio},
    {L"MID/RMI", L"MIDI Sound Format *", 2, {{L"mid", L"mid"}, {L"rmi", L"rmi"}}, kAudio},
    {L"MP3", L"MPEG Audio Format *", 1, {{L"mp3", L"mp3"}}, kAudio},
    {L"OGG", L"Ogg Vorbis Audio Format *", 1, {{L"ogg", L"ogg"}}, kAudio},
    {L"AU/SND", L"SUN Audio Format *", 2, {{L"au", L"au"}, {L"snd", L"au"}}, kAudio},
    {L"WAV", L"Windows Audio Format *", 1, {{L"wav", L"wav"}}, kAudio},
    {L"WMA", L"Windows Media Audio File *", 1, {{L"wma", L"wma"}}, kAudio},
};

} // namespace

std::span<const FileTypeRow, kFileTypeRowCount> FileTypeCatalogue()
{
    return std::span<const FileTypeRow, kFileTypeRowCount>(kCatalogue);
}

} // namespace ph
