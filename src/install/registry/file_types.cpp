#include "install/registry/file_types.h"

namespace {

// Extensions whose ProgID carries another extension's name share one ProgID with it.
const FileTypeExtension kAni[] = {{L"ani", L"ani"}};
const FileTypeExtension kB3d[] = {{L"b3d", L"b3d"}};
const FileTypeExtension kBmp[] = {{L"bmp", L"bmp"}, {L"dib", L"bmp"}};
const FileTypeExtension kClp[] = {{L"clp", L"clp"}};
const FileTypeExtension kCrw[] = {{L"crw", L"crw"}, {L"cr2", L"cr2"}, {L"cr3", L"cr3"}};
const FileTypeExtension kCur[] = {{L"cur", L"cur"}};
const FileTypeExtension kDcm[] = {{L"dcm", L"dcm"}, {L"acr", L"dcm"}, {L"ima", L"dcm"}};
const FileTypeExtension kDcx[] = {{L"dcx", L"dcx"}};
const FileTypeExtension kDds[] = {{L"dds", L"dds"}};
const FileTypeExtension kDjvu[] = {{L"djvu", L"djvu"}, {L"iw44", L"djvu"}};
const FileTypeExtension kDxf[] = {{L"dxf", L"dxf"}};
const FileTypeExtension kEcw[] = {{L"ecw", L"ecw"}};
const FileTypeExtension kEmf[] = {{L"emf", L"emf"}};
const FileTypeExtension kEps[] = {{L"eps", L"eps"}, {L"ps", L"eps"}};
const FileTypeExtension kExr[] = {{L"exr", L"exr"}};
const FileTypeExtension kG3[] = {{L"g3", L"g3"}};
const FileTypeExtension kGif[] = {{L"gif", L"gif"}};
const FileTypeExtension kHdp[] = {{L"hdp", L"hdp"}, {L"jxr", L"hdp"}, {L"wdp", L"hdp"}};
const FileTypeExtension kHeic[] = {{L"heic", L"heic"}};
const FileTypeExtension kIco[] = {{L"ico", L"ico"}};
const FileTypeExtension kIff[] = {{L"iff", L"iff"}, {L"lbm", L"iff"}};
const FileTypeExtension kJls[] = {{L"jls", L"jls"}};
const FileTypeExtension kJp2[] = {{L"jp2", L"jp2"}, {L"jpc", L"jp2"}, {L"j2k", L"jp2"}};
const FileTypeExtension kJpg[] = {{L"jpg", L"jpg"}, {L"jpeg", L"jpg"}, {L"jfif", L"jpg"}, {L"jpe", L"jpg"}};
const FileTypeExtension kJpm[] = {{L"jpm", L"jpm"}};
const FileTypeExtension kJxl[] = {{L"jxl", L"jxl"}};
const FileTypeExtension kMng[] = {{L"mng", L"mng"}, {L"jng", L"jng"}};
const FileTypeExtension kPbm[] = {{L"pbm", L"pbm"}};
const FileTypeExtension kPcd[] = {{L"pcd", L"pcd"}};
const FileTypeExtension kPcx[] = {{L"pcx", L"pcx"}};
const FileTypeExtension kPgm[] = {{L"pgm", L"pgm"}};
const FileTypeExtension kPng[] = {{L"png", L"png"}};
const FileTypeExtension kPpm[] = {{L"ppm", L"ppm"}};
const FileTypeExtension kPsd[] = {{L"psd", L"psd"}};
const FileTypeExtension kPsp[] = {{L"psp", L"psp"}};
const FileTypeExtension kQoi[] = {{L"qoi", L"qoi"}};
const FileTypeExtension kRas[] = {{L"ras", L"ras"}, {L"sun", L"ras"}};
const FileTypeExtension kRaw[] = {{L"raw", L"raw"}};
const FileTypeExtension kRle[] = {{L"rle", L"rle"}};
const FileTypeExtension kSff[] = {{L"sff", L"sff"}};
const FileTypeExtension kSgi[] = {{L"sgi", L"sgi"}, {L"rgb", L"sgi"}};
const FileTypeExtension kSid[] = {{L"sid", L"sid"}};
const FileTypeExtension kTga[] = {{L"tga", L"tga"}};
const FileTypeExtension kTif[] = {{L"tif", L"tif"}, {L"tiff", L"tif"}};
const FileTypeExtension kWbmp[] = {{L"wbmp", L"wbmp"}};
const FileTypeExtension kWebp[] = {{L"webp", L"webp"}};
const FileTypeExtension kWmf[] = {{L"wmf", L"wmf"}};
const FileTypeExtension kXbm[] = {{L"xbm", L"xbm"}};
const FileTypeExtension kXpm[] = {{L"xpm", L"xpm"}};
const FileTypeExtension kSwf[] = {{L"swf", L"swf"}, {L"flv", L"flv"}};
const FileTypeExtension kTtf[] = {{L"ttf", L"ttf"}};
const FileTypeExtension kAsf[] = {{L"asf", L"asf"}};
const FileTypeExtension kAvi[] = {{L"avi", L"avi"}};
const FileTypeExtension kMpg[] = {{L"mpg", L"mpg"}, {L"mpe", L"mpe"}, {L"mpeg", L"mpg"}};
const FileTypeExtension kMov[] = {{L"mov", L"mov"}};
const FileTypeExtension kWmv[] = {{L"wmv", L"wmv"}};
const FileTypeExtension kAif[] = {{L"aif", L"aif"}};
const FileTypeExtension kMid[] = {{L"mid", L"mid"}, {L"rmi", L"rmi"}};
const FileTypeExtension kMp3[] = {{L"mp3", L"mp3"}};
const FileTypeExtension kOgg[] = {{L"ogg", L"ogg"}};
const FileTypeExtension kAu[] = {{L"au", L"au"}, {L"snd", L"au"}};
const FileTypeExtension kWav[] = {{L"wav", L"wav"}};
const FileTypeExtension kWma[] = {{L"wma", L"wma"}};

template <size_t N>
constexpr FileTypeRow Row(const wchar_t* listText, const wchar_t* description, const FileTypeExtension (&ext)[N],
                          IconKind icon, bool isImage) {
    return FileTypeRow{listText, description, ext, N, icon, isImage};
}

constexpr IconKind kOwn = IconKind::Own;
constexpr IconKind kV0 = IconKind::Viewer0;
constexpr IconKind kV9 = IconKind::Viewer9;
constexpr IconKind kV8 = IconKind::Viewer8;

const FileTypeRow kRows[kFileTypeRowCount] = {
    Row(L"ANI", L"Animated Windows Cursors *", kAni, kOwn, true),
    Row(L"B3D", L"BodyPaint 3D Format *", kB3d, kV0, true),
    Row(L"BMP/DIB", L"Windows Bitmap", kBmp, kV0, true),
    Row(L"CLP", L"Windows Clipboard *", kClp, kV0, true),
    Row(L"CRW/CR2/CR3", L"Canon RAW Format *", kCrw, kV0, true),
    Row(L"CUR", L"Windows Cursor", kCur, kOwn, true),
    Row(L"DCM/ACR/IMA", L"DICOM Format *", kDcm, kV0, true),
    Row(L"DCX", L"Multipage Zsoft Paintbrush", kDcx, kV0, true),
    Row(L"DDS", L"Direct Draw Surface *", kDds, kV0, true),
    Row(L"DJVU/IW44", L"DjVu Format *", kDjvu, kV0, true),
    Row(L"DXF", L"Drawing Interchange Format *", kDxf, kV0, true),
    Row(L"ECW", L"Enhanced Compressed Wavelet *", kEcw, kV0, true),
    Row(L"EMF", L"Enhanced Windows Metafile", kEmf, kV0, true),
    Row(L"EPS/PS", L"PostScript Format *", kEps, kV0, true),
    Row(L"EXR", L"EXR Format *", kExr, kV0, true),
    Row(L"G3", L"G3 FAX Format *", kG3, kV0, true),
    Row(L"GIF", L"Compuserve GIF", kGif, kV0, true),
    Row(L"HDP/JXR/WDP", L"JPEG-XR/HD-Photo Format *", kHdp, kV0, true),
    Row(L"HEIC", L"High Efficiency Image File Format *", kHeic, kV0, true),
    Row(L"ICO", L"Windows Icon", kIco, kOwn, true),
    Row(L"IFF/LBM", L"Amiga Interchange File Format *", kIff, kV0, true),
    Row(L"JLS", L"JPEG-LS Format *", kJls, kV0, true),
    Row(L"JP2/JPC/J2K", L"JPEG2000 Format *", kJp2, kV0, true),
    Row(L"JPG/JPEG/JFIF/JPE", L"JPEG Format", kJpg, kV0, true),
    Row(L"JPM", L"JPM Format *", kJpm, kV0, true),
    Row(L"JXL", L"JPEG XL Format *", kJxl, kV0, true),
    Row(L"MNG/JNG", L"Multiple Network Graphics *", kMng, kV0, true),
    Row(L"PBM", L"Portable Bitmap", kPbm, kV0, true),
    Row(L"PCD", L"Kodak Photo CD", kPcd, kV0, true),
    Row(L"PCX", L"Zsoft Paintbrush", kPcx, kV0, true),
    Row(L"PGM", L"Portable Greymap", kPgm, kV0, true),
    Row(L"PNG", L"Portable Network Graphics", kPng, kV0, true),
    Row(L"PPM", L"Portable Pixelmap", kPpm, kV0, true),
    Row(L"PSD", L"Adobe Photoshop Image", kPsd, kV0, true),
    Row(L"PSP", L"Paint Shop Pro Image *", kPsp, kV0, true),
    Row(L"QOI", L"Quite OK Image *", kQoi, kV0, true),
    Row(L"RAS/SUN", L"Sun Raster Format *", kRas, kV0, true),
    Row(L"RAW", L"RAW Image Data *", kRaw, kV0, true),
    Row(L"RLE", L"Utah RLE Format *", kRle, kV0, true),
    Row(L"SFF", L"Structured Fax Format *", kSff, kV0, true),
    Row(L"SGI/RGB", L"Silicon Graphics Image *", kSgi, kV0, true),
    Row(L"SID", L"LizardTech MrSID Format *", kSid, kV0, true),
    Row(L"TGA", L"Truevision Targa", kTga, kV0, true),
    Row(L"TIF/TIFF", L"Tagged Image File Format", kTif, kV0, true),
    Row(L"WBMP", L"WAP Bitmap *", kWbmp, kV0, true),
    Row(L"WEBP", L"Weppy Format *", kWebp, kV0, true),
    Row(L"WMF", L"Windows Metafile", kWmf, kV0, true),
    Row(L"XBM", L"X-Bitmap *", kXbm, kV0, true),
    Row(L"XPM", L"X-Pixmap *", kXpm, kV0, true),
    // Flash and fonts show the viewer's main icon although they are no images.
    Row(L"SWF/FLV", L"Macromedia Flash Format *", kSwf, kV0, false),
    Row(L"TTF", L"True Type Font Format *", kTtf, kV0, false),
    Row(L"ASF", L"Advanced Systems Format *", kAsf, kV9, false),
    Row(L"AVI", L"Video for Windows *", kAvi, kV9, false),
    Row(L"MPG/MPE/MPEG", L"MPEG Movie *", kMpg, kV9, false),
    Row(L"MOV", L"Apple QuickTime Movie *", kMov, kV9, false),
    Row(L"WMV", L"Windows Media Video File *", kWmv, kV9, false),
    Row(L"AIF", L"Audio Interchange Format *", kAif, kV8, false),
    Row(L"MID/RMI", L"MIDI Sound Format *", kMid, kV8, false),
    Row(L"MP3", L"MPEG Audio Format *", kMp3, kV8, false),
    Row(L"OGG", L"Ogg Vorbis Audio Format *", kOgg, kV8, false),
    Row(L"AU/SND", L"SUN Audio Format *", kAu, kV8, false),
    Row(L"WAV", L"Windows Audio Format *", kWav, kV8, false),
    Row(L"WMA", L"Windows Media Audio File *", kWma, kV8, false),
};

}  // namespace

const FileTypeRow* FileTypeTable() { return kRows; }
