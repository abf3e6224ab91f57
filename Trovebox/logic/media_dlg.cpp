#include "media_dlg.h"

#include <FreeImage.h>

#include <algorithm>
#include <memory>
#include <new>
#include <random>

#include "dialog_window_port.h"
#include "file_chooser_port.h"
#include "file_port.h"
#include "import_dlg.h"
#include "media_paths.h"
#include "message_box_port.h"
#include "picture_load.h"
#include "picture_size.h"
#include "sound_port.h"

char selectionBuffer[kSelectionBufferSize];

const char kPictureFilter[] =
    "Common Image Formats|*.bmp;*.gif;*.ico;*.jpg;*.jpeg;*.jif;*.mng;*.pcx;*.psd;*.pcd;*.jiff;"
    "*.pbm;*.pgm;*.tif;*.tiff;*.tga|All Files(*.*)|*.*||";
const char kSoundFilter[] = "Wav Files|*.wav|All Files(*.*)|*.*||";

const CMediaDlg::MessageMapEntry CMediaDlg::messageMap[] = {
    {IDC_ADD_PICTURE, kBnClicked, &CMediaDlg::OnAddPicture},
    {IDC_PICTURE_LIST, kLbnSelChange, &CMediaDlg::OnPictureListChange},
    {IDC_PICTURE_LIST, kLbnSetFocus, &CMediaDlg::OnPictureListChange},
    {IDC_DELETE_PICTURE, kBnClicked, &CMediaDlg::OnDeletePicture},
    {IDC_ADD_SOUND, kBnClicked, &CMediaDlg::OnAddSound},
    {IDC_DELETE_SOUND, kBnClicked, &CMediaDlg::OnDeleteSound},
    {IDC_PLAY_SOUND, kBnClicked, &CMediaDlg::OnPlaySound},
    {IDC_SOUND_LIST, kLbnDblClk, &CMediaDlg::OnPlaySound},
};

CMediaDlg::CMediaDlg() : m_hIcon(LoadAppIcon()) {}

bool CMediaDlg::OnCommand(int id, int code) {
    for (const MessageMapEntry& entry : messageMap) {
        if (entry.id == id && entry.code == code) {
            (this->*entry.handler)();
            return true;
        }
    }
    return false;
}

bool CMediaDlg::OnInitDialog(DialogHandle window) {
    m_hWnd = window;
    m_soundList.Attach(window, IDC_SOUND_LIST);
    m_pictureList.Attach(window, IDC_PICTURE_LIST);
    SetDialogIcon(window, kIconBig, m_hIcon);
    SetDialogIcon(window, kIconSmall, m_hIcon);

    // The media root: the current directory, however long it is.
    std::vector<char> buffer(260);
    uint32_t length = GetCurrentDir(static_cast<uint32_t>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.assign(length + 1, '\0');
        length = GetCurrentDir(static_cast<uint32_t>(buffer.size()), buffer.data());
        if (length >= buffer.size()) length = 0;
    }
    mediaRoot.assign(buffer.data(), length);
    const char separator = PathSeparator();
    if (mediaRoot.empty() || mediaRoot.back() != separator) mediaRoot += separator;

    RemoveImportLeftovers();
    FillMediaList("./pictures/*", m_pictureList);
    FillMediaList("./sounds/*", m_soundList);
    return true;
}

// An import killed between writing its temporary file and renaming it
// leaves the file behind: in the pictures folder, where the lock screen
// would count it as a picture, or, from older runs, in the media root.
void CMediaDlg::RemoveImportLeftovers() {
    for (const char* folder : {".", "./pictures"}) {
        std::string name;
        std::vector<std::string> leftovers;
        FindHandle find = FindFirstEntry(std::string(folder) + "/~import*.tmp", name);
        if (!find) continue;
        do {
            if (IsImportTemporary(name)) leftovers.push_back(name);
        } while (FindNextEntry(find, name));
        FindEnd(find);
        for (const std::string& leftover : leftovers)
            DeleteOneFile(folder[1] ? MediaPath("pictures", leftover) : mediaRoot + leftover);
    }
}

void CMediaDlg::FillMediaList(const std::string& pattern, CListBox& list) {
    std::string name;
    FindHandle find = FindFirstEntry(pattern, name);
    if (!find) return;
    do {
        if (name != "." && name != ".." && name != "Thumbs.db") list.AddString(name);
    } while (FindNextEntry(find, name));
    FindEnd(find);
}

std::vector<std::string> CMediaDlg::ChooseFiles(const std::string& filter) {
    const std::string platformFilter = FilterForDialog(filter);
    KeepFirstString(selectionBuffer, sizeof selectionBuffer);
    if (!RunOpenFileDialog(m_hWnd, platformFilter.c_str(), selectionBuffer, sizeof selectionBuffer,
                           kOfnAllowMultiSelect | kOfnHideReadOnly | kOfnExplorer | kOfnEnableHook))
        return {};
    return ChosenPaths(selectionBuffer, sizeof selectionBuffer, PathSeparator());
}

std::string CMediaDlg::MediaPath(const char* folder, const std::string& name) const {
    return mediaRoot + folder + PathSeparator() + name;
}

// ---- Pictures --------------------------------------------------------------

void CMediaDlg::OnAddPicture() {
    importErrors.clear();
    std::vector<std::string> paths = ChooseFiles(kPictureFilter);
    if (paths.empty()) return;
    const int n = static_cast<int>(paths.size());

    CImportDlg progress;
    if (!progress.Create(m_hWnd)) return;
    progress.m_progress.SetRange32(0, 10 * n);
    for (const std::string& path : paths) {
        progress.m_fileName = path;
        progress.UpdateData(false);
        ImportPicture(path);
        progress.m_progress.StepIt();
    }
    if (!importErrors.empty())
        ShowMessageBox(m_hWnd, importErrors, "Trovebox", kMbOk | kMbIconExclamation);
    progress.DestroyWindow();
}

void CMediaDlg::ImportPicture(const std::string& path) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
    if (format == FIF_UNKNOWN) format = FreeImage_GetFIFFromFilename(path.c_str());
    const std::string name = FileNameOf(path);
    if (format == FIF_UNKNOWN) {
        importErrors += "File: " + name + " - was not a recognizable image type and was not added\n";
        return;
    }
    // The header first, read as the lock screen reads it: a file whose header
    // cannot be read is never decoded (a few bytes can make a decoder
    // allocate gigabytes), nor one that declares more pixels than the lock
    // screen would ever decode, nor one whose decoding would take more than
    // the import allows (a PNG's text inflating to gigabytes, the
    // coefficients of a huge progressive JPEG).
    PictureHeader header;
    if (!ReadPictureHeader(path.c_str(), header, kImportWorkBytes)) {
        importErrors += "File: " + name + " - could not be read or stored and was not added\n";
        return;
    }
    if (static_cast<uint64_t>(header.width) * header.height > kMaxPicturePixels) {
        importErrors += "File: " + name + " - is larger than 64 megapixels and was not added\n";
        return;
    }
    if (DecodeCost(header, header.width, header.height) > kImportWorkBytes) {
        importErrors += "File: " + name + " - would take more than 256 MB to read and was not added\n";
        return;
    }
    // A recognised file that cannot be read, scaled or stored is reported
    // like an unrecognised one, and not listed.
    bool stored = false;
    try {
        stored = StorePicture(header, path, MediaPath("pictures", name));
    } catch (const std::bad_alloc&) {
        stored = false;  // memory ran out: this picture fails, the import goes on
    }
    if (!stored) {
        importErrors += "File: " + name + " - could not be read or stored and was not added\n";
        return;
    }
    m_pictureList.AddString(name);
}

namespace {

struct Unloader {
    void operator()(FIBITMAP* image) const { FreeImage_Unload(image); }
};
using Image = std::unique_ptr<FIBITMAP, Unloader>;

// The image to hand to the JPEG encoder, which takes 24-bit colour or 8-bit
// grey only: image itself when it is one, else a converted copy kept in
// holder. Null when the conversion failed.
FIBITMAP* ReadyForJpeg(FIBITMAP* image, Image& holder) {
    switch (FreeImage_GetImageType(image)) {
    case FIT_BITMAP:
        if (FreeImage_GetBPP(image) == 24) return image;
        if (FreeImage_GetBPP(image) == 8 && FreeImage_GetColorType(image) == FIC_MINISBLACK)
            return image;
        holder.reset(FreeImage_ConvertTo24Bits(image));
        break;
    case FIT_RGB16:
    case FIT_RGBA16:
        holder.reset(FreeImage_ConvertTo24Bits(image));
        break;
    case FIT_RGBF:
    case FIT_RGBAF:
        holder.reset(FreeImage_ToneMapping(image, FITMO_DRAGO03, 0, 0));
        break;
    default:  // one channel of 16 or 32 bits, float, double, complex
        holder.reset(FreeImage_ConvertToStandardType(image, TRUE));
        break;
    }
    return holder.get();
}

std::string TemporaryName() {
    static std::mt19937 generator{std::random_device{}()};
    return "~import" + std::to_string(generator() % 100000000u) + ".tmp";
}

}  // namespace

bool CMediaDlg::StorePicture(const PictureHeader& header, const std::string& source, const std::string& destination) {
    // Decoded whole (a file FreeImage refuses comes from the platform's
    // reader at the stored size); one that is not what its header said is
    // not stored.
    const PictureSize size = ImportSize(header.width, header.height);
    Image image(LoadDeclaredPicture(source.c_str(), header, 1, size.width, size.height, kImportWorkBytes));
    if (!image) return false;
    Image scaled(FreeImage_Rescale(image.get(), static_cast<int>(size.width),
                                   static_cast<int>(size.height), FILTER_BILINEAR));
    if (!scaled) return false;
    Image converted;
    FIBITMAP* toSave = ReadyForJpeg(scaled.get(), converted);
    if (!toSave) return false;

    // Written first to a temporary file, so a failed save never harms a file
    // already stored under that name (or the source itself, when it is
    // imported from the pictures folder). The temporary file lies in the
    // pictures folder: an installed system lets its users write there and
    // nowhere else beside the programs, the rename stays on one file system,
    // and the file takes the folder's access list (a file renamed into the
    // folder from elsewhere would keep the one it was made with). A save cut
    // short leaves it behind; the next start removes it.
    const std::string temporary = MediaPath("pictures", TemporaryName());
    if (FreeImage_Save(FIF_JPEG, toSave, temporary.c_str(), JPEG_DEFAULT) &&
        ReplaceWithFile(temporary, destination))
        return true;
    DeleteOneFile(temporary);
    return false;
}

void CMediaDlg::OnDeletePicture() { DeleteSelected(m_pictureList, "pictures"); }

void CMediaDlg::OnPictureListChange() {
    InvalidateDialogRect(m_hWnd, previewRect.left, previewRect.top, previewRect.right,
                         previewRect.bottom, true);
}

// ---- Sounds ----------------------------------------------------------------

// A sound that could not be copied (a folder the user may not write to, a
// full disk) is not listed, and its name is reported.
void CMediaDlg::OnAddSound() {
    std::string errors;
    for (const std::string& path : ChooseFiles(kSoundFilter)) {
        const std::string name = FileNameOf(path);
        if (CopyOneFile(path, MediaPath("sounds", name), false))
            m_soundList.AddString(name);
        else
            errors += "File: " + name + " - could not be stored and was not added\n";
    }
    ReportFileErrors(errors);
}

void CMediaDlg::OnDeleteSound() { DeleteSelected(m_soundList, "sounds"); }

// Each selected file is deleted and its entry removed; a file that is still
// there afterwards (read-only, in use, a folder the user may not change)
// keeps its entry, stays selected and is reported by name. A file that was
// already gone counts as deleted. The last selected entry goes first, so the
// indexes of the others stay as they were.
void CMediaDlg::DeleteSelected(CListBox& list, const char* folder) {
    const int count = list.GetSelCount();
    if (count <= 0) return;
    std::vector<int> selected(static_cast<size_t>(count));
    selected.resize(static_cast<size_t>(std::max(0, list.GetSelItems(count, selected.data()))));
    std::string errors;
    for (auto index = selected.rbegin(); index != selected.rend(); ++index) {
        const std::string name = list.GetText(*index);
        const std::string path = MediaPath(folder, name);
        if (DeleteOneFile(path) || !EntryExists(path))
            list.DeleteString(*index);
        else
            errors.insert(0, "File: " + name + " - could not be deleted\n");
    }
    ReportFileErrors(errors);
}

bool CMediaDlg::EntryExists(const std::string& path) {
    std::string name;
    FindHandle find = FindFirstEntry(path, name);
    if (!find) return false;
    FindEnd(find);
    return true;
}

void CMediaDlg::ReportFileErrors(const std::string& errors) {
    if (!errors.empty()) ShowMessageBox(m_hWnd, errors, "Trovebox", kMbOk | kMbIconExclamation);
}

void CMediaDlg::OnPlaySound() {
    if (m_soundList.GetSelCount() <= 0) return;
    const int current = m_soundList.GetCurSel();
    if (current < 0) return;
    PlaySoundFile(MediaPath("sounds", m_soundList.GetText(current)),
                  kSndFilename | kSndAsync | kSndNoDefault);
}

// ---- Painting --------------------------------------------------------------

void CMediaDlg::OnPaint() {
    if (IsDialogIconic(m_hWnd)) {
        PaintContext dc = BeginDialogPaint(m_hWnd);
        EraseIconBackground(m_hWnd, dc);
        int width = 0, height = 0;
        GetClientSize(m_hWnd, width, height);
        const int x = (width - SystemMetric(kSmCxIcon) + 1) / 2;
        const int y = (height - SystemMetric(kSmCyIcon) + 1) / 2;
        DrawIconAt(dc, x, y, m_hIcon);
        EndDialogPaint(m_hWnd);
        return;
    }
    DefaultDialogPaint(m_hWnd);
    DrawPreview();
}

void CMediaDlg::DrawPreview() {
    if (m_pictureList.GetSelCount() <= 0) return;
    const int current = m_pictureList.GetCurSel();
    if (current < 0) return;
    const std::string path = MediaPath("pictures", m_pictureList.GetText(current));
    // The header first: a picture too large to decode within the budget
    // draws nothing, and what is decoded is reduced to the square at once
    // (JPEGs decoded at the scale the square needs).
    PictureHeader header;
    if (!ReadPictureHeader(path.c_str(), header)) return;
    std::unique_ptr<PreparedPicture> picture = PreparePicture(path.c_str(), header, PREVIEW_SIZE, PREVIEW_SIZE);
    if (!picture) return;
    PaintContext dc = GetDialogDC(m_hWnd);
    // The file's own size decides the destination, as the design draws it.
    const PreviewRect r = PreviewDestination(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height));
    SetStretchMode(dc, kColorOnColor);
    StretchDib(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, static_cast<int>(picture->width),
               static_cast<int>(picture->height), picture->bits.data(), picture->info, kDibRgbColors, kSrcCopy);
    ReleaseDialogDC(m_hWnd, dc);
}
