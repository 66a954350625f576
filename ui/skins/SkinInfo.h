#pragma once
// The skin info: every group, element, colour and property the painters need, looked up once
// per skin change and kept as plain references, with the derived form and scroll-bar tables.
#include <memory>

#include "ui/core/CoreClasses.h"
#include "ui/skins/SkinModel.h"

// Groups, in lookup order: field, name.
#define VZ_SKIN_INFO_GROUPS(X)                                                                               \
    X(GroupBars, "Bars")                                                                                     \
    X(GroupCommon, "Common")                                                                                 \
    X(GroupDocking, "Docking")                                                                               \
    X(GroupEditors, "Editors")                                                                               \
    X(GroupRibbon, "Ribbon")                                                                                 \
    X(GroupForm, "Form")                                                                                     \
    X(GroupGrid, "Grid")                                                                                     \
    X(GroupPageControl, "PageControl")                                                                       \
    X(GroupScheduler, "Scheduler")                                                                           \
    X(GroupVerticalGrid, "VerticalGrid")                                                                     \
    X(GroupNavBar, "NavBar")                                                                                 \
    X(GroupNavPane, "NavPane")

// Elements of each lookup step: field, group field, name, with placeholder.
#define VZ_SKIN_INFO_BARS(X)                                                                                 \
    X(Bar, GroupBars, "Bar", true)                                                                           \
    X(BarCustomize, GroupBars, "BarCustomize", true)                                                         \
    X(BarCustomizeVertical, GroupBars, "BarCustomizeVertical", true)                                         \
    X(BarDragGrip, GroupBars, "BarDragGrip", true)                                                           \
    X(BarDragGripVertical, GroupBars, "BarDragGripVertical", true)                                           \
    X(BarSeparator, GroupBars, "BarSeparator", true)                                                         \
    X(BarVertical, GroupBars, "BarVertical", true)                                                           \
    X(BarSeparatorVertical, GroupBars, "BarSeparatorVertical", true)                                         \
    X(Dock, GroupBars, "Dock", true)                                                                         \
    X(FloatBar, GroupBars, "FloatBar", true)                                                                 \
    X(LinkStatic, GroupBars, "LinkStatic", true)                                                             \
    X(LinkSelected, GroupBars, "LinkSelected", true)                                                         \
    X(MainMenu, GroupBars, "MainMenu", true)                                                                 \
    X(MainMenuCustomize, GroupBars, "MainMenuCustomize", false)                                              \
    X(MainMenuDrag, GroupBars, "MainMenuDrag", false)                                                        \
    X(MainMenuLinkSelected, GroupBars, "MainMenuLinkSelected", true)                                         \
    X(MainMenuVertical, GroupBars, "MainMenuVertical", true)                                                 \
    X(PopupMenu, GroupBars, "PopupMenu", true)                                                               \
    X(PopupMenuCheck, GroupBars, "PopupMenuCheck", true)                                                     \
    X(PopupMenuExpandButton, GroupBars, "PopupMenuExpandButton", true)                                       \
    X(PopupMenuLinkSelected, GroupBars, "PopupMenuLinkSelected", true)                                       \
    X(PopupMenuSeparator, GroupBars, "PopupMenuSeparator", true)                                             \
    X(PopupMenuSideStrip, GroupBars, "PopupMenuSideStrip", true)                                             \
    X(PopupMenuSideStripNonRecent, GroupBars, "PopupMenuSideStripNonRecent", true)                           \
    X(PopupMenuDropDownButtonLabel, GroupBars, "PopupMenuDropDownButtonLabel", true)                         \
    X(PopupMenuDropDownButtonArrow, GroupBars, "PopupMenuDropDownButtonArrow", true)                         \
    X(StatusBar, GroupBars, "StatusBar", true)                                                               \
    X(ScreenTipWindow, GroupBars, "ScreenTipWindow", true)                                                   \
    X(ScreenTipSeparator, GroupBars, "ScreenTipSeparator", true)

#define VZ_SKIN_INFO_DOCKING(X)                                                                              \
    X(TabHeaderBackground, GroupDocking, "TabHeaderBackground", true)                                        \
    X(TabHeaderLine, GroupDocking, "TabHeaderLine", true)                                                    \
    X(TabHeaderAutoHideBar, GroupDocking, "TabHeaderAutoHideBar", true)                                      \
    X(DockWindowButton, GroupDocking, "DockWindowButton", true)                                              \
    X(DockWindowButtonGlyphs, GroupDocking, "DockWindowButtonGlyphs", true)                                  \
    X(DockingTabHeader, GroupDocking, "TabHeader", true)                                                     \
    X(AutoHideBar, GroupDocking, "AutoHideBar", true)                                                        \
    X(AutoHideBarLeft, GroupDocking, "AutoHideBarLeft", true)                                                \
    X(AutoHideBarRight, GroupDocking, "AutoHideBarRight", true)                                              \
    X(AutoHideBarBottom, GroupDocking, "AutoHideBarBottom", true)                                            \
    X(DockWindowCaption, GroupDocking, "DockWindowCaption", true)                                            \
    X(DockWindowBorder, GroupDocking, "DockWindowBorder", true)

#define VZ_SKIN_INFO_BUTTONS(X)                                                                              \
    X(CommonButton, GroupCommon, "Button", true)                                                             \
    X(PlusMinus, GroupGrid, "PlusMinus", true)                                                               \
    X(FooterCell, GroupGrid, "FooterCell", true)                                                             \
    X(FooterPanel, GroupGrid, "FooterPanel", true)                                                           \
    X(Checkbox, GroupEditors, "Checkbox", true)                                                              \
    X(ClockFace, GroupEditors, "ClockFace", true)                                                            \
    X(ClockGlass, GroupEditors, "ClockGlass", true)                                                          \
    X(EditorButton, GroupEditors, "EditorButton", true)                                                      \
    X(CloseButton, GroupEditors, "CloseButton", true)

#define VZ_SKIN_INFO_GROUP_PANELS(X)                                                                         \
    X(GroupPanelNoBorder, GroupCommon, "GroupPanelNoBorder", true)                                           \
    X(GroupPanelTop, GroupCommon, "GroupPanelTop", true)                                                     \
    X(GroupPanelBottom, GroupCommon, "GroupPanelBottom", true)                                               \
    X(GroupPanelLeft, GroupCommon, "GroupPanelLeft", true)                                                   \
    X(GroupPanelRight, GroupCommon, "GroupPanelRight", true)                                                 \
    X(GroupPanel, GroupCommon, "GroupPanel", true)                                                           \
    X(GroupPanelCaptionTop, GroupCommon, "GroupPanelCaptionTop", true)                                       \
    X(GroupPanelCaptionBottom, GroupCommon, "GroupPanelCaptionBottom", true)                                 \
    X(GroupPanelCaptionLeft, GroupCommon, "GroupPanelCaptionLeft", true)                                     \
    X(GroupPanelCaptionRight, GroupCommon, "GroupPanelCaptionRight", true)

#define VZ_SKIN_INFO_GRID_LINES(X)                                                                           \
    X(GridFixedLine, GroupGrid, "GridFixedLine", true)                                                       \
    X(CardSeparator, GroupGrid, "CardSeparator", true)                                                       \
    X(GridGroupPanel, GroupGrid, "GridGroupPanel", true)                                                     \
    X(GroupRow, GroupGrid, "GroupRow", true)                                                                 \
    X(GridGridLine, GroupGrid, "GridLine", true)                                                             \
    X(VerticalGridCategory, GroupVerticalGrid, "Category", true)                                             \
    X(VerticalGridGridLine, GroupVerticalGrid, "GridLine", true)                                             \
    X(VerticalGridBandBorder, GroupVerticalGrid, "BandBorder", true)                                         \
    X(IndicatorImages, GroupGrid, "IndicatorImages", true)

#define VZ_SKIN_INFO_NAVIGATION(X)                                                                           \
    X(NavBarBackground, GroupNavBar, "Background", true)                                                     \
    X(NavBarGroupClient, GroupNavBar, "GroupClient", true)                                                   \
    X(NavBarItem, GroupNavBar, "Item", true)                                                                 \
    X(NavBarGroupHeader, GroupNavBar, "GroupHeader", true)                                                   \
    X(NavBarGroupCloseButton, GroupNavBar, "GroupCloseButton", true)                                         \
    X(NavBarGroupOpenButton, GroupNavBar, "GroupOpenButton", true)                                           \
    X(NavPaneCollapseButton, GroupNavPane, "CollapseButton", true)                                           \
    X(NavPaneCollapsedGroupClient, GroupNavPane, "CollapsedGroupClient", true)                               \
    X(NavPaneExpandButton, GroupNavPane, "ExpandButton", true)                                               \
    X(NavPanePopupBorder, GroupNavPane, "PopupBorder", true)                                                 \
    X(NavPanePopupSizeGrip, GroupNavPane, "PopupSizeGrip", true)                                             \
    X(NavPaneGroupButton, GroupNavPane, "GroupButton", true)                                                 \
    X(NavPaneGroupButtonSelected, GroupNavPane, "GroupButtonSelected", true)                                 \
    X(NavPaneCaption, GroupNavPane, "Caption", true)                                                         \
    X(NavPaneSplitter, GroupNavPane, "Splitter", true)                                                       \
    X(NavPaneScrollUpButton, GroupNavPane, "ScrollUpButton", true)                                           \
    X(NavPaneScrollDownButton, GroupNavPane, "ScrollDownButton", true)                                       \
    X(NavPaneOverflowPanel, GroupNavPane, "OverflowPanel", true)                                             \
    X(NavPaneOverflowPanelItem, GroupNavPane, "OverflowPanelItem", true)                                     \
    X(NavPaneOverflowPanelExpandItem, GroupNavPane, "OverflowPanelExpandItem", true)                         \
    X(NavPaneGroupClient, GroupNavPane, "GroupClient", true)                                                 \
    X(NavPaneItem, GroupNavPane, "Item", true)                                                               \
    X(NavPaneItemSelected, GroupNavPane, "ItemSelected", true)

#define VZ_SKIN_INFO_NAVIGATORS(X)                                                                           \
    X(Navigator, GroupEditors, "Navigator", true)                                                            \
    X(NavigatorVert, GroupEditors, "NavigatorVert", true)

#define VZ_SKIN_INFO_SCHEDULER(X)                                                                            \
    X(SchedulerTimeGridHeader, GroupScheduler, "TimeGridHeader", true)                                       \
    X(SchedulerTimeGridHeaderSelected, GroupScheduler, "TimeGridHeaderSelected", true)                       \
    X(SchedulerDefaultTimeLine, GroupScheduler, "DefaultTimeLine", true)                                     \
    X(SchedulerRuler, GroupScheduler, "Ruler", true)                                                         \
    X(SchedulerMoreButton, GroupScheduler, "MoreButton", true)                                               \
    X(SchedulerAppointmentRightBorder, GroupScheduler, "AppointmentRightBorder", true)                       \
    X(SchedulerAppointment, GroupScheduler, "Appointment", true)                                             \
    X(SchedulerAllDayArea, GroupScheduler, "AllDayArea", true)                                               \
    X(SchedulerAllDayAreaSelected, GroupScheduler, "AllDayAreaSelected", true)                               \
    X(SchedulerCurrentTimeIndicator, GroupScheduler, "CurrentTimeIndicator", true)                           \
    X(SchedulerAppointmentBottomShadow, GroupScheduler, "AppointmentBottomShadow", true)                     \
    X(SchedulerAppointmentRightShadow, GroupScheduler, "AppointmentRightShadow", true)                       \
    X(SchedulerAppointmentMask, GroupScheduler, "AppointmentMask", true)                                     \
    X(SchedulerNavButtonPrev, GroupScheduler, "NavButtonPrev", true)                                         \
    X(SchedulerNavButtonNext, GroupScheduler, "NavButtonNext", true)                                         \
    X(SchedulerNavButtonPrevArrow, GroupScheduler, "NavButtonPrevArrow", true)                               \
    X(SchedulerNavButtonNextArrow, GroupScheduler, "NavButtonNextArrow", true)                               \
    X(SchedulerTimeGridCurrentTimeIndicator, GroupScheduler, "TimeGridCurrentTimeIndicator", false)

#define VZ_SKIN_INFO_HEADERS(X)                                                                              \
    X(Header, GroupCommon, "Header", true)                                                                   \
    X(HeaderSpecial, GroupCommon, "HeaderSpecial", true)                                                     \
    X(FilterButton, GroupGrid, "FilterButton", true)                                                         \
    X(FilterButtonActive, GroupGrid, "FilterButtonActive", true)                                             \
    X(GridFilterPanel, GroupGrid, "GridFilterPanel", true)

#define VZ_SKIN_INFO_PAGE_CONTROL(X)                                                                         \
    X(PageControlTabHeader, GroupPageControl, "TabHeader", true)                                             \
    X(TabButtonHorz, GroupPageControl, "TabButtonHorz", true)                                                \
    X(TabButtonVert, GroupPageControl, "TabButtonVert", true)                                                \
    X(TabPane, GroupPageControl, "TabPane", true)

#define VZ_SKIN_INFO_PROGRESS(X)                                                                             \
    X(ProgressBorder, GroupEditors, "ProgressBorder", true)                                                  \
    X(ProgressBorderVert, GroupEditors, "ProgressBorderVert", true)                                          \
    X(ProgressChunk, GroupEditors, "ProgressChunk", true)                                                    \
    X(ProgressChunkVert, GroupEditors, "ProgressChunkVert", true)                                            \
    X(RadioButton, GroupEditors, "RadioButton", true)

#define VZ_SKIN_INFO_SCROLL_BARS(X)                                                                          \
    X(ScrollButton, GroupCommon, "ScrollButton", true)                                                       \
    X(ScrollThumbVert, GroupCommon, "ScrollThumbVert", true)                                                 \
    X(ScrollThumbHorz, GroupCommon, "ScrollThumbHorz", true)                                                 \
    X(ScrollContentVert, GroupCommon, "ScrollContentVert", true)                                             \
    X(ScrollContentHorz, GroupCommon, "ScrollContentHorz", true)

#define VZ_SKIN_INFO_RIBBON(X)                                                                               \
    X(RibbonFormAppButton, GroupRibbon, "FormAppButton", true)                                               \
    X(RibbonAppMenuBackground, GroupRibbon, "AppMenuBackground", true)                                       \
    X(RibbonAppMenuBackgroundBottom, GroupRibbon, "AppMenuBackgroundBottom", true)                           \
    X(RibbonTabGroupCollapsed, GroupRibbon, "TabGroupCollapsed", true)                                       \
    X(RibbonTabGroupCollapsedBox, GroupRibbon, "TabGroupCollapsedBox", true)                                 \
    X(RibbonFormCaption, GroupRibbon, "FormCaption", true)                                                   \
    X(RibbonFormFrameBottom, GroupRibbon, "FormFrameBottom", true)                                           \
    X(RibbonDialogFrameBottom, GroupRibbon, "DialogFrameBottom", true)                                       \
    X(RibbonFormFrameLeft, GroupRibbon, "FormFrameLeft", true)                                               \
    X(RibbonDialogFrameLeft, GroupRibbon, "DialogFrameLeft", true)                                           \
    X(RibbonFormFrameRight, GroupRibbon, "FormFrameRight", true)                                             \
    X(RibbonDialogFrameRight, GroupRibbon, "DialogFrameRight", true)                                         \
    X(RibbonTab, GroupRibbon, "Tab", true)                                                                   \
    X(RibbonTabPanel, GroupRibbon, "TabPanel", true)                                                         \
    X(RibbonTabGroupButton, GroupRibbon, "TabGroupButton", true)                                             \
    X(RibbonTabGroup, GroupRibbon, "TabGroup", true)                                                         \
    X(RibbonTabGroupCaption, GroupRibbon, "TabGroupCaption", true)                                           \
    X(RibbonDropDownGalleryBackground, GroupRibbon, "DropDownGalleryBackground", true)                       \
    X(RibbonInRibbonGalleryButtonDown, GroupRibbon, "InRibbonGalleryButtonDown", true)                       \
    X(RibbonInRibbonGalleryButtonDropDown, GroupRibbon, "InRibbonGalleryButtonDropDown", true)               \
    X(RibbonInRibbonGalleryButtonUp, GroupRibbon, "InRibbonGalleryButtonUp", true)                           \
    X(RibbonDropDownGalleryGroupHeader, GroupRibbon, "DropDownGalleryGroupHeader", true)                     \
    X(RibbonInRibbonGalleryPane, GroupRibbon, "InRibbonGalleryPane", true)                                   \
    X(RibbonDropDownGallerySizePanel, GroupRibbon, "DropDownGallerySizePanel", true)                         \
    X(RibbonDropDownGallerySizeGrip, GroupRibbon, "DropDownGallerySizeGrip", true)                           \
    X(RibbonTabBackground, GroupRibbon, "TabBackground", true)                                               \
    X(RibbonButton, GroupRibbon, "Button", true)                                                             \
    X(RibbonSplitButtonLeft, GroupRibbon, "SplitButtonLeft", true)                                           \
    X(RibbonSplitButtonRight, GroupRibbon, "SplitButtonRight", true)                                         \
    X(RibbonLargeButton, GroupRibbon, "LargeButton", true)                                                   \
    X(RibbonLargeSplitButtonTop, GroupRibbon, "LargeSplitButtonTop", true)                                   \
    X(RibbonLargeSplitButtonBottom, GroupRibbon, "LargeSplitButtonBottom", true)                             \
    X(RibbonButtonArrow, GroupRibbon, "ButtonArrow", true)                                                   \
    X(RibbonButtonGroup, GroupRibbon, "ButtonGroup", true)                                                   \
    X(RibbonStatusBarBackground, GroupRibbon, "StatusBarBackground", true)                                   \
    X(RibbonStatusBarButton, GroupRibbon, "StatusBarButton", true)                                           \
    X(RibbonStatusBarSeparator, GroupRibbon, "StatusBarSeparator", true)                                     \
    X(RibbonQATInRibbonBackground, GroupRibbon, "QATInRibbonBackground", true)                               \
    X(RibbonQATAboveBackground, GroupRibbon, "QATAboveBackground", true)                                     \
    X(RibbonQATBelowBackground, GroupRibbon, "QATBelowBackground", true)                                     \
    X(RibbonQATButtonGlyph, GroupRibbon, "QATButtonGlyph", true)                                             \
    X(RibbonQATOverflow, GroupRibbon, "QATOverflow", true)                                                   \
    X(RibbonQATCustomizeButton, GroupRibbon, "QATCustomizeButton", true)                                     \
    X(RibbonButtonGroupButton, GroupRibbon, "ButtonGroupButton", true)                                       \
    X(RibbonButtonGroupSeparator, GroupRibbon, "ButtonGroupSeparator", true)                                 \
    X(RibbonTabGroupLeftScrollButton, GroupRibbon, "TabGroupLeftScrollButton", true)                         \
    X(RibbonTabGroupRightScrollButton, GroupRibbon, "TabGroupRightScrollButton", true)

#define VZ_SKIN_INFO_LAST(X)                                                                                 \
    X(SizeGrip, GroupCommon, "SizeGrip", true)                                                               \
    X(CommonSplitter, GroupCommon, "Splitter", true)                                                         \
    X(CommonSplitterHorz, GroupCommon, "SplitterHorz", true)                                                 \
    X(TrackBarTrack, GroupEditors, "TrackBarTrack", true)                                                    \
    X(TrackBarTrackVert, GroupEditors, "TrackBarTrackVert", true)                                            \
    X(TrackBarThumb, GroupEditors, "TrackBarThumb", true)                                                    \
    X(TrackBarThumbUp, GroupEditors, "TrackBarThumbUp", true)                                                \
    X(TrackBarThumbBoth, GroupEditors, "TrackBarThumbBoth", true)                                            \
    X(TrackBarThumbVert, GroupEditors, "TrackBarThumbVert", true)                                            \
    X(TrackBarThumbVertUp, GroupEditors, "TrackBarThumbVertUp", true)                                        \
    X(TrackBarThumbVertBoth, GroupEditors, "TrackBarThumbVertBoth", true)

// Colour references looked up at the end: field, owner field, name.
#define VZ_SKIN_INFO_FINAL_COLORS(X)                                                                         \
    X(BarsDisabledTextColor, GroupBars, "DisabledTextColor")                                                 \
    X(DockingTabHeaderTextColor, GroupDocking, "TabHeaderTextColor")                                         \
    X(DockingTabHeaderTextColorActive, GroupDocking, "TabHeaderTextColorActive")                             \
    X(SchedulerNavigatorColor, GroupScheduler, "NavigatorColor")                                             \
    X(PageControlTextColor, PageControlTabHeader, "TextColor")                                               \
    X(PageControlTextColorSelected, PageControlTabHeader, "TextColorSelected")                               \
    X(PageControlTextColorDisabled, PageControlTabHeader, "TextColorDisabled")                               \
    X(PageControlTextColorHot, PageControlTabHeader, "TextColorHot")                                         \
    X(EditorsBackgroundColor, GroupEditors, "BackgroundColor")                                               \
    X(EditorsBackgroundDisabledColor, GroupEditors, "BackgroundDisabledColor")                               \
    X(EditorsTextColor, GroupEditors, "TextColor")                                                           \
    X(EditorsTextDisabledColor, GroupEditors, "TextDisabledColor")

#define VZ_SKIN_INFO_SKIN_COLORS(X)                                                                          \
    X(ContainerBorderColor, "ContainerBorderColor")                                                          \
    X(ContainerHighlightBorderColor, "ContainerHighlightBorderColor")                                        \
    X(ContentColor, "ContentColor")                                                                          \
    X(ContentEvenColor, "ContentEvenColor")                                                                  \
    X(ContentOddColor, "ContentOddColor")                                                                    \
    X(ContentTextColor, "ContentTextColor")                                                                  \
    X(DockControlHiddenBarTextColor, "DockControlHiddenBarTextColor")                                        \
    X(HeaderBackgroundColor, "HeaderBackgroundColor")                                                        \
    X(HeaderBackgroundTextColor, "HeaderBackgroundTextColor")                                                \
    X(LayoutControlColor, "LayoutControlColor")                                                              \
    X(SelectionColor, "SelectionColor")                                                                      \
    X(SelectionTextColor, "SelectionTextColor")

// A scroll-bar part: the element and the image index it is drawn with.
class TdxSkinScrollInfo : public TObject {
public:
    VZ_CLASS(TdxSkinScrollInfo, TObject)
    TdxSkinScrollInfo(TdxSkinElement* element, int imageIndex) : Element(element), ImageIndex(imageIndex) {}
    // Renders the element with the caller's index; false when there is no element.
    bool Draw(HDC dc, const TRect& r, int imageIndex, TdxSkinElementState state);

    TdxSkinElement* Element;
    int ImageIndex;
};

class TdxSkinInfo : public TcxIUnknownObject, public IdxSkinInfoSource, public IdxSkinChangeListener {
public:
    VZ_CLASS(TdxSkinInfo, TcxIUnknownObject)
    // Takes ownership of the skin.
    explicit TdxSkinInfo(TdxSkin* skin);
    ~TdxSkinInfo() override;

    virtual void InitializeInfo();
    virtual void FinalizeInfo();
    void SkinChanged(TdxSkin* skin) override;
    TdxSkin* GetSkin() override { return Skin; }
    void SetSkin(TdxSkin* skin);

    TdxSkinControlGroup* GetGroup(const AnsiString& name);
    TdxSkinElement* GetElement(TdxSkinControlGroup* group, const AnsiString& name, bool addPlaceholder);
    TdxSkinColor* GetColor(TdxSkinPersistent* owner, const AnsiString& name);
    TdxSkinIntegerProperty* GetIntegerProperty(TdxSkinPersistent* owner, const AnsiString& name);
    TdxSkinBooleanProperty* GetBooleanProperty(TdxSkinPersistent* owner, const AnsiString& name);
    TColor GetColorValue(TdxSkinPersistent* owner, const AnsiString& name);
    int GetIntegerValue(TdxSkinPersistent* owner, const AnsiString& name, int defaultValue = 0);
    TdxSkinElement* AddPlaceholderElement(TdxSkinControlGroup* group, const AnsiString& name);
    TdxSkinControlGroup* AddPlaceholderGroup(const AnsiString& name);

    TdxSkin* Skin = nullptr;

#define VZ_FIELD(field, ...) TdxSkinControlGroup* field = nullptr;
    VZ_SKIN_INFO_GROUPS(VZ_FIELD)
#undef VZ_FIELD
#define VZ_FIELD(field, ...) TdxSkinElement* field = nullptr;
    VZ_SKIN_INFO_BARS(VZ_FIELD)
    VZ_SKIN_INFO_DOCKING(VZ_FIELD)
    VZ_SKIN_INFO_BUTTONS(VZ_FIELD)
    VZ_SKIN_INFO_GROUP_PANELS(VZ_FIELD)
    VZ_SKIN_INFO_GRID_LINES(VZ_FIELD)
    VZ_SKIN_INFO_NAVIGATION(VZ_FIELD)
    VZ_SKIN_INFO_NAVIGATORS(VZ_FIELD)
    VZ_SKIN_INFO_SCHEDULER(VZ_FIELD)
    VZ_SKIN_INFO_HEADERS(VZ_FIELD)
    VZ_SKIN_INFO_PAGE_CONTROL(VZ_FIELD)
    VZ_SKIN_INFO_PROGRESS(VZ_FIELD)
    VZ_SKIN_INFO_SCROLL_BARS(VZ_FIELD)
    VZ_SKIN_INFO_RIBBON(VZ_FIELD)
    VZ_SKIN_INFO_LAST(VZ_FIELD)
#undef VZ_FIELD
    TdxSkinElement* FormContent = nullptr;
#define VZ_FIELD(field, ...) TdxSkinColor* field = nullptr;
    VZ_SKIN_INFO_FINAL_COLORS(VZ_FIELD)
    VZ_SKIN_INFO_SKIN_COLORS(VZ_FIELD)
#undef VZ_FIELD

    // Colours looked up in the steps.
    TdxSkinColor* FormTextColorInactive = nullptr;
    TdxSkinColor* FormTextShadowColor = nullptr;
    TdxSkinColor* ButtonDisabledText = nullptr;
    TdxSkinColor* ScreenTipItem = nullptr;
    TdxSkinColor* ScreenTipTitleItem = nullptr;
    TdxSkinColor* SchedulerAppointmentSeparatorColor = nullptr;
    TdxSkinColor* RibbonAppMenuExtraPaneColor = nullptr;
    // Properties.
    TdxSkinIntegerProperty* SchedulerAppointmentBorderSize = nullptr;
    TdxSkinIntegerProperty* NavPaneCaptionHeight = nullptr;
    TdxSkinIntegerProperty* NavPaneCaptionFontSize = nullptr;
    TdxSkinIntegerProperty* RibbonCaptionFontDelta = nullptr;
    TdxSkinBooleanProperty* RibbonQATAboveBackgroundDisplayCustomizeButtonOutsideQAT = nullptr;
    TdxSkinIntegerProperty* RibbonQATAboveBackgroundIndentBeforeCustomizeButton = nullptr;
    TdxSkinBooleanProperty* RibbonQATInRibbonBackgroundDisplayCustomizeButtonOutsideQAT = nullptr;
    TdxSkinIntegerProperty* RibbonQATInRibbonBackgroundIndentBeforeCustomizeButton = nullptr;
    // Values.
    TColor DockWindowCaptionInactiveCaptionTextColor = clDefault;
    int DockingActiveTabHeaderDownGrow = 0;
    int DockingActiveTabHeaderHGrow = 0;
    int DockingActiveTabHeaderUpGrow = 0;
    int PageControlRowIndentFar = 0;
    int PageControlRowIndentNear = 0;
    int PageControlSelectedHeaderDownGrow = 0;
    int PageControlSelectedHeaderHGrow = 0;
    int PageControlSelectedHeaderUpGrow = 0;
    int PageControlHeaderDownGrow = 0;
    int RibbonFormAppButtonRightIndent = 0;
    int RibbonQATInRibbonBackgroundOffset = 0;
    int RibbonTabHeaderDownGrow = 0;
    TColor RibbonButtonDisabled = clDefault;
    TColor RibbonFormCaptionTextColorInactive = clDefault;
    TColor RibbonCaptionTextColorInactive = clDefault; // the same value, kept twice for the painters
    TColor RibbonDocumentNameTextColor = clDefault;
    TColor RibbonTabTextColorSelected = clDefault;
    TColor RibbonStatusBarButtonTextColor = clDefault;
    TColor RibbonStatusBarButtonTextColorHot = clDefault;
    TColor RibbonStatusBarButtonTextColorDisabled = clDefault;
    TColor RibbonFormCaptionTextColor = clDefault;
    TColor RibbonTabTextColor = clDefault;
    TColor RibbonButtonTextColor = clDefault;

    // Derived tables.
    TdxSkinElement* EditButtonGlyphs[8] = {};
    TdxSkinElement* FormFrames[2][4] = {}; // [small, normal][left, caption, right, bottom]
    TdxSkinElement* FormCaptionButtons[2][6] = {};
    TRect FormFrameSizes[2] = {};
    int FormCaptionFontDelta = 1;
    TdxSkinScrollInfo* ScrollBarParts[2][6] = {}; // [vertical, horizontal][part], owned

private:
    // Every reference, array and derived value back to nil or its default.
    void ResetInfo();
    void FreeScrollBarParts();
    void InitializeFormInfo();
    void InitializeRibbonValues();
    void InitializeScrollBarParts();
};
