#pragma once
// A text-and-selection model of the mask editor and its inner edit: keys go to the mode first, as
// in the editor, and to the inner edit when the mode lets them; beeps are counted.
#include <algorithm>

#include <windows.h>

#include "ui/editors/MaskEditModes.h"

class TMaskEditModel : public IcxMaskEditSide {
public:
    // --- the editor side the modes use
    bool HandleAllocated() const override { return true; }
    int SelStart() const override { return selStart; }
    int SelLength() const override { return selLength; }
    int CaretPos() const override { return caretAtStart ? selStart : selStart + selLength; }
    void SetSelStart(int value) override {
        Select(value, 0);
        if (mode) mode->RefreshSelection();
    }
    void SetSelStartGuarded(int value) override { Select(value, 0); }
    void SetSelLengthGuarded(int value) override { Select(selStart, value); }
    AnsiString DisplayText() const override { return text; }
    void WriteDisplayValue(const AnsiString& value) override { SetText(value); }
    void PutDisplayValue(const AnsiString& value) override { SetText(value); }
    void SendKeyDown(unsigned short key) override { InnerKey(key); }
    void SendChar(char ch) override { InnerChar(ch); }
    bool ShiftHeld() const override { return shift; }
    void SetShiftHeld(bool value) override { shift = value; }
    void BeepIfAllowed() override { ++beeps; }

    // --- the user
    void Start(TcxMaskEditCustomMode& m, const AnsiString& initial) {
        mode = &m;
        text = initial;
        selStart = selLength = 0;
        mode->TextAssigned(text);
    }
    void Type(const AnsiString& chars) {
        for (char ch : chars) {
            if (mode->HandleChar(ch)) InnerChar(ch);
            mode->RefreshSelection();
        }
    }
    void Key(unsigned short key, bool withShift = false) {
        shift = withShift;
        bool pass = false;
        switch (key) {
        case VK_LEFT:
            pass = mode->HandleLeft();
            break;
        case VK_RIGHT:
            pass = mode->HandleRight();
            break;
        case VK_HOME:
            pass = mode->HandleHome();
            break;
        case VK_END:
            pass = mode->HandleEnd();
            break;
        case VK_DELETE:
            pass = mode->HandleDelete();
            break;
        case VK_BACK:
            pass = mode->HandleBackspace();
            break;
        default:
            pass = true;
            break;
        }
        if (pass) key == VK_BACK ? InnerChar('\b') : InnerKey(key);
        mode->RefreshSelection();
    }
    void Paste(const AnsiString& clipboard) {
        const AnsiString pasted = mode->PreparePaste(clipboard);
        mode->PastedLength = static_cast<int>(pasted.size());
        text.replace(static_cast<size_t>(selStart), static_cast<size_t>(selLength), pasted);
        mode->TextAssigned(text);
        Select(selStart + static_cast<int>(pasted.size()), 0);
        mode->FinishPaste();
        mode->RefreshSelection();
    }
    // Caret at `caret`, nothing selected, as a click would leave it.
    void Click(int caret) {
        Select(caret, 0);
        mode->RefreshSelection();
    }

    AnsiString text;
    int selStart = 0, selLength = 0;
    bool caretAtStart = false;
    bool shift = false;
    int beeps = 0;
    TcxMaskEditCustomMode* mode = nullptr;

private:
    int Length() const { return static_cast<int>(text.size()); }
    void Select(int start, int length) {
        selStart = std::clamp(start, 0, Length());
        selLength = std::clamp(length, 0, Length() - selStart);
        caretAtStart = false;
    }
    void SetText(const AnsiString& value) {
        text = value;
        selStart = selLength = 0; // as setting a window's text does
    }
    void ReplaceSelection(const AnsiString& with) {
        text.replace(static_cast<size_t>(selStart), static_cast<size_t>(selLength), with);
        Select(selStart + static_cast<int>(with.size()), 0);
    }
    // The inner edit's own handling: moves with Shift extend from the far end of the selection.
    void InnerKey(unsigned short key) {
        const int anchor = caretAtStart ? selStart + selLength : selStart;
        int caret = CaretPos();
        switch (key) {
        case VK_DELETE:
            if (selLength == 0 && selStart < Length()) selLength = 1;
            ReplaceSelection("");
            return;
        case VK_LEFT:
            caret = selLength && !shift ? selStart : caret - 1;
            break;
        case VK_RIGHT:
            caret = selLength && !shift ? selStart + selLength : caret + 1;
            break;
        case VK_HOME:
            caret = 0;
            break;
        case VK_END:
            caret = Length();
            break;
        default:
            return;
        }
        caret = std::clamp(caret, 0, Length());
        if (shift) {
            selStart = std::min(anchor, caret);
            selLength = std::abs(anchor - caret);
            caretAtStart = caret < anchor;
        } else {
            Select(caret, 0);
        }
    }
    void InnerChar(char ch) {
        if (ch == '\b') {
            if (selLength == 0 && selStart > 0) Select(selStart - 1, 1);
            ReplaceSelection("");
            return;
        }
        ReplaceSelection(AnsiString(1, ch));
    }
};
