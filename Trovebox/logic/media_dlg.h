// The media manager's main dialog (resource 102): the sound and picture
// lists, the commands on them and the preview square. Its handlers run on
// the dialog's thread; the window that hosts it (Windows dialog or Qt
// widget) forwards its events through OnInitDialog, OnCommand, OnPaint and
// OnQueryDragIcon.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "handles.h"
#include "list_box.h"
#include "picture_load.h"
#include "resource.h"

// Control notification codes.
constexpr int kBnClicked = 0;
constexpr int kLbnSelChange = 1;
constexpr int kLbnDblClk = 2;
constexpr int kLbnSetFocus = 4;

constexpr size_t kSelectionBufferSize = 16384;
// The one open-file dialog buffer of the process, shared by both imports.
extern char selectionBuffer[kSelectionBufferSize];

// The most an import may take to decode one picture whole: the largest
// picture it accepts (64 megapixels) at 32 bits a pixel.
constexpr uint64_t kImportWorkBytes = 4 * kMaxPicturePixels;

extern const char kPictureFilter[];
extern const char kSoundFilter[];

class CMediaDlg {
public:
    CMediaDlg();

    // WM_INITDIALOG, once the window exists. Returns true: the platform puts
    // the focus on the first control.
    bool OnInitDialog(DialogHandle window);
    // WM_COMMAND from control id with notification code: dispatched through
    // the message map. False when nothing handles it.
    bool OnCommand(int id, int code);
    void OnPaint();
    IconHandle OnQueryDragIcon() const { return m_hIcon; }

    // Handlers.
    void OnAddPicture();
    void OnDeletePicture();
    void OnAddSound();
    void OnDeleteSound();
    void OnPlaySound();
    void OnPictureListChange();

    // The steps they are built from.
    void FillMediaList(const std::string& pattern, CListBox& list);
    std::vector<std::string> ChooseFiles(const std::string& filter);
    void ImportPicture(const std::string& path);

    std::string mediaRoot;
    std::string importErrors;
    CListBox m_soundList;
    CListBox m_pictureList;

    struct MessageMapEntry {
        int id;
        int code;
        void (CMediaDlg::*handler)();
    };
    static const MessageMapEntry messageMap[];

private:
    std::string MediaPath(const char* folder, const std::string& name) const;
    void DeleteSelected(CListBox& list, const char* folder);
    static bool EntryExists(const std::string& path);
    void ReportFileErrors(const std::string& errors);
    void RemoveImportLeftovers();
    bool StorePicture(const PictureHeader& header, const std::string& source, const std::string& destination);
    void DrawPreview();

    DialogHandle m_hWnd = nullptr;
    IconHandle m_hIcon;
};
