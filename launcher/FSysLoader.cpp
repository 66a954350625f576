#include "launcher/FSysLoader.h"

// The stored form, property by property in its stored order.
TFSysLoader::TFSysLoader(TComponent* owner) : TForm(owner) {
    BeginLoading();
    SetName("FSysLoader");
    SetBorderStyle(bsNone);
    SetCaption("程序更新...");
    SetClientHeight(98);
    SetClientWidth(321);
    SetColor(clBtnFace);
    Font().SetCharset(ANSI_CHARSET);
    Font().SetColor(clWindowText);
    Font().SetHeight(-12);
    Font().SetName("宋体");
    Font().SetStyle({});
    OldCreateOrder = false;
    SetPosition(poScreenCenter);
    PixelsPerInch = 96;
    TextHeight = 12;

    lblNote = new TLabel(this);
    lblNote->BeginLoading();
    lblNote->SetName("lblNote");
    lblNote->SetParent(this);
    lblNote->SetBounds(9, 29, 295, 25);
    lblNote->SetAlignment(taCenter);
    lblNote->SetAutoSize(false);
    lblNote->SetCaption("正在启动,请稍后 ... ...");
    lblNote->SetTransparent(true);
    lblNote->SetWordWrap(true);

    pbDown = new TcxProgressBar(this);
    pbDown->BeginLoading();
    pbDown->SetName("pbDown");
    pbDown->SetLeft(10);
    pbDown->SetTop(68);
    pbDown->SetParent(this);
    pbDown->SetTabOrder(0);
    pbDown->SetVisible(false);
    pbDown->SetWidth(297);

    lblNote->Loaded();
    pbDown->Loaded();
    Loaded();
}
