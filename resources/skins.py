#!/usr/bin/env python3
"""Writes the skin packs (our own artwork: gradients and shapes drawn here from one element
table and a palette per skin), the pack that seeds the user skin, the resource script, a manifest
of each pack's structure and the skin-library file UICore.dll.

Usage: skins.py OUTPUT_DIR                        write everything
       skins.py --check PACK MANIFEST [...]       read each PACK to its end, compare with MANIFEST
       skins.py --check-dir PACK_DIR MANIFEST_DIR the same for every manifest of the folder
"""
import os
import struct
import sys
import zlib

VERSION = 1.02

# State ordinals, as stored in the state word.
NORMAL, HOT, PRESSED, DISABLED, ACTIVE, FOCUSED, DROPPED, CHECKED, HOTCHECK, ACTIVEDISABLED, CHECKPRESSED = range(11)
CL_NONE, CL_DEFAULT = 0x1FFFFFFF, 0x20000000

GROUPS = ["Bars", "Common", "Docking", "Editors", "Form", "Grid", "NavBar", "NavPane", "PageControl",
          "Printing", "Reports", "Ribbon", "Scheduler", "VerticalGrid"]

# Every element a painter looks up, group by group. Elements that nothing draws are left out.
ELEMENTS = {
    "Bars": ["Bar", "BarCustomize", "BarCustomizeVertical", "BarDragGrip", "BarDragGripVertical",
             "BarSeparator", "BarVertical", "BarSeparatorVertical", "Dock", "FloatBar", "LinkStatic",
             "LinkSelected", "MainMenu", "MainMenuLinkSelected", "MainMenuVertical", "PopupMenu",
             "PopupMenuCheck", "PopupMenuExpandButton", "PopupMenuLinkSelected", "PopupMenuSeparator",
             "PopupMenuSideStrip", "PopupMenuSideStripNonRecent", "PopupMenuDropDownButtonLabel",
             "PopupMenuDropDownButtonArrow", "StatusBar", "ScreenTipWindow", "ScreenTipSeparator"],
    "Common": ["Button", "GroupPanelNoBorder", "GroupPanelTop", "GroupPanelBottom", "GroupPanelLeft",
               "GroupPanelRight", "GroupPanel", "GroupPanelCaptionTop", "GroupPanelCaptionBottom",
               "GroupPanelCaptionLeft", "GroupPanelCaptionRight", "Header", "HeaderSpecial", "SizeGrip",
               "Splitter", "SplitterHorz", "ScrollButton", "ScrollThumbVert", "ScrollThumbHorz",
               "ScrollContentVert", "ScrollContentHorz"],
    "Docking": ["TabHeaderBackground", "TabHeaderLine", "TabHeaderAutoHideBar", "DockWindowButton",
                "DockWindowButtonGlyphs", "TabHeader", "AutoHideBar", "AutoHideBarLeft", "AutoHideBarRight",
                "AutoHideBarBottom", "DockWindowCaption", "DockWindowBorder"],
    "Editors": ["Checkbox", "ClockFace", "ClockGlass", "EditorButton", "CloseButton", "Navigator",
                "NavigatorVert", "ProgressBorder", "ProgressBorderVert", "ProgressChunk", "ProgressChunkVert",
                "RadioButton", "TrackBarTrack", "TrackBarTrackVert", "TrackBarThumb", "TrackBarThumbUp",
                "TrackBarThumbBoth", "TrackBarThumbVert", "TrackBarThumbVertUp", "TrackBarThumbVertBoth",
                "ComboButtonGlyph", "SpinUpGlyph", "SpinDownGlyph", "SpinLeftGlyph", "SpinRightGlyph"],
    "Form": ["FormContent", "FormFrameLeft", "SmallFormCaption", "FormFrameRight", "FormFrameBottom",
             "FormCaption", "SmallFormButtonClose", "FormButtonHelp", "FormButtonMinimize",
             "FormButtonMaximize", "FormButtonRestore", "FormButtonClose"],
    "Grid": ["PlusMinus", "FilterButton", "FilterButtonActive", "GridFilterPanel", "FooterCell", "FooterPanel",
             "GridFixedLine", "CardSeparator", "GridGroupPanel", "GroupRow", "GridLine", "IndicatorImages"],
    "NavBar": ["Background", "GroupClient", "Item", "GroupHeader", "GroupCloseButton", "GroupOpenButton"],
    "NavPane": ["CollapseButton", "CollapsedGroupClient", "ExpandButton", "PopupBorder", "PopupSizeGrip",
                "GroupButton", "GroupButtonSelected", "Caption", "Splitter", "ScrollUpButton",
                "ScrollDownButton", "OverflowPanel", "OverflowPanelItem", "OverflowPanelExpandItem",
                "GroupClient", "Item", "ItemSelected"],
    "PageControl": ["TabHeader", "TabButtonHorz", "TabButtonVert", "TabPane"],
    "Printing": [],
    "Reports": [],
    "Ribbon": ["FormAppButton", "AppMenuBackground", "AppMenuBackgroundBottom", "TabGroupCollapsed",
               "TabGroupCollapsedBox", "FormCaption", "FormFrameBottom", "DialogFrameBottom", "FormFrameLeft",
               "DialogFrameLeft", "FormFrameRight", "DialogFrameRight", "Tab", "TabPanel", "TabGroupButton",
               "TabGroup", "TabGroupCaption", "DropDownGalleryBackground", "InRibbonGalleryButtonDown",
               "InRibbonGalleryButtonDropDown", "InRibbonGalleryButtonUp", "DropDownGalleryGroupHeader",
               "InRibbonGalleryPane", "DropDownGallerySizePanel", "DropDownGallerySizeGrip", "TabBackground",
               "Button", "SplitButtonLeft", "SplitButtonRight", "LargeButton", "LargeSplitButtonTop",
               "LargeSplitButtonBottom", "ButtonArrow", "ButtonGroup", "StatusBarBackground",
               "StatusBarButton", "StatusBarSeparator", "QATInRibbonBackground", "QATAboveBackground",
               "QATBelowBackground", "QATButtonGlyph", "QATOverflow", "QATCustomizeButton",
               "ButtonGroupButton", "ButtonGroupSeparator", "TabGroupLeftScrollButton",
               "TabGroupRightScrollButton"],
    "Scheduler": ["TimeGridHeader", "TimeGridHeaderSelected", "DefaultTimeLine", "Ruler", "MoreButton",
                  "AppointmentRightBorder", "Appointment", "AllDayArea", "AllDayAreaSelected",
                  "CurrentTimeIndicator", "AppointmentBottomShadow", "AppointmentRightShadow", "AppointmentMask",
                  "NavButtonPrev", "NavButtonNext", "NavButtonPrevArrow", "NavButtonNextArrow"],
    "VerticalGrid": ["Category", "GridLine", "BandBorder"],
}

# How many image variants the painters index into.
IMAGE_COUNTS = {"Checkbox": 3, "RadioButton": 2, "PlusMinus": 2, "ScrollButton": 4, "TrackBarTrack": 4,
                "TrackBarTrackVert": 4, "IndicatorImages": 3}
GLYPH_ELEMENTS = {"CloseButton", "ComboButtonGlyph", "EditorButton", "SpinUpGlyph", "SpinDownGlyph",
                  "SpinLeftGlyph", "SpinRightGlyph"}
FORM_FRAMES = {"FormFrameLeft", "SmallFormCaption", "FormFrameRight", "FormFrameBottom", "FormCaption"}
CAPTION_BUTTONS = {"SmallFormButtonClose", "FormButtonHelp", "FormButtonMinimize", "FormButtonMaximize",
                   "FormButtonRestore", "FormButtonClose"}
INTERACTIVE_WORDS = ("Button", "Checkbox", "Radio", "Header", "Tab", "Scroll", "Thumb", "Link", "Item",
                     "Navigator", "Filter", "PlusMinus", "Glyph", "Splitter")

SKIN_COLORS = ["ContainerBorderColor", "ContainerHighlightBorderColor", "ContentColor", "ContentEvenColor",
               "ContentOddColor", "DockControlHiddenBarTextColor", "HeaderBackgroundColor",
               "HeaderBackgroundTextColor", "LayoutControlColor", "SelectionColor", "SelectionTextColor"]

# name: (base colour, accent colour, text colour), as (r, g, b).
PALETTES = [
    ("Black", (58, 58, 62), (240, 160, 40), (230, 230, 230)),
    ("Blue", (96, 140, 206), (250, 210, 90), (16, 32, 64)),
    ("Caramel", (196, 150, 98), (120, 70, 30), (50, 30, 10)),
    ("Coffee", (140, 110, 86), (220, 190, 140), (250, 240, 225)),
    ("GlassOceans", (60, 150, 170), (180, 240, 250), (10, 40, 60)),
    ("iMaginary", (200, 200, 214), (110, 90, 190), (30, 30, 50)),
    ("Lilian", (226, 196, 216), (170, 70, 140), (60, 20, 50)),
    ("LiquidSky", (120, 180, 230), (40, 90, 170), (10, 30, 70)),
    ("LondonLiquidSky", (110, 120, 140), (130, 190, 240), (240, 244, 250)),
    ("McSkin", (180, 186, 192), (80, 90, 100), (20, 20, 24)),
    ("DadavAzodo", (34, 120, 96), (236, 200, 60), (244, 250, 246)),
    ("Office2007Black", (72, 76, 84), (255, 200, 80), (220, 224, 230)),
    ("Office2007Blue", (168, 200, 238), (255, 210, 100), (20, 50, 100)),
    ("Office2007Green", (170, 210, 170), (90, 160, 60), (20, 60, 20)),
    ("Office2007Pink", (236, 190, 206), (210, 80, 130), (80, 20, 40)),
    ("Office2007Silver", (208, 212, 220), (140, 150, 170), (40, 44, 56)),
    ("Silver", (192, 192, 196), (100, 120, 150), (24, 24, 30)),
    ("Stardust", (90, 100, 128), (230, 220, 120), (236, 238, 250)),
    ("Summer2008", (244, 222, 140), (230, 110, 40), (70, 40, 10)),
    ("Valentine", (220, 90, 110), (255, 220, 230), (255, 250, 250)),
    ("Xmas2008Blue", (40, 70, 140), (230, 240, 255), (250, 252, 255)),
]
CONTAINER = ["Black", "Blue", "DadavAzodo"]  # the skin-library file's entries, DadavAzodo third


# ---------------------------------------------------------------------------------------------
# Pictures.
def png(width, height, pixels):
    """An RGBA PNG of rows of (r, g, b, a)."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
            chunk(b"IEND", b""))


def clamp(v):
    return max(0, min(255, int(v)))


def mix(a, b, t):
    return tuple(clamp(a[i] + (b[i] - a[i]) * t) for i in range(3))


def shade(color, amount):
    return tuple(clamp(c + amount) for c in color)


def frame_pixels(w, h, base, accent, variant, rounded):
    """One state frame: a vertical gradient in a one-pixel frame, rounded corners made transparent."""
    top = shade(base, 40 + variant * 14)
    bottom = shade(base, -20 + variant * 8)
    edge = shade(base, -60)
    rows = []
    for y in range(h):
        t = y / max(h - 1, 1)
        fill = mix(top, bottom, t)
        if variant == 2:
            fill = mix(fill, accent, 0.35)
        row = []
        for x in range(w):
            if x in (0, w - 1) or y in (0, h - 1):
                pixel = edge + (255,)
                if rounded and (x in (0, w - 1)) and (y in (0, h - 1)):
                    pixel = edge + (0,)
            else:
                pixel = fill + (255,)
            row.append(pixel)
        rows.append(row)
    return rows


def glyph_pixels(w, h, color, kind):
    """A small arrow or cross on a transparent ground."""
    rows = [[(0, 0, 0, 0)] * w for _ in range(h)]
    cx, cy = w // 2, h // 2
    for i in range(3):
        for j in range(-i, i + 1):
            if kind == "up":
                x, y = cx + j, cy - 1 + i
            elif kind == "left":
                x, y = cx - 1 + i, cy + j
            elif kind == "right":
                x, y = cx + 1 - i, cy + j
            elif kind == "cross":
                x, y = cx + j, cy + j if i == 2 else cy - j
            else:
                x, y = cx + j, cy + 1 - i
            if 0 <= x < w and 0 <= y < h:
                rows[y][x] = color + (255 if i < 2 else 160,)
    return rows


def strip(frames, layout):
    """Frames side by side (layout 0) or one below the other (1)."""
    if layout == 1:
        return [row for frame in frames for row in frame]
    return [sum((frame[y] for frame in frames), []) for y in range(len(frames[0]))]


def tcolor(rgb):
    return rgb[0] | (rgb[1] << 8) | (rgb[2] << 16)


# ---------------------------------------------------------------------------------------------
# The skin as data: one table, the same for the writer, the manifest and the reader's check.
def build_skin(name, base, accent, text):
    idx = [p[0] for p in PALETTES].index(name)
    content = shade(base, 60 - idx)  # a distinct "FormContent" colour per skin
    skin = {"name": name, "version": VERSION, "colors": [], "props": [], "groups": []}
    for i, cname in enumerate(SKIN_COLORS):
        skin["colors"].append((cname, tcolor(mix(base, accent, i / 12.0)) if "Text" not in cname else tcolor(text)))
    skin["props"].append(("TdxSkinStringProperty", "Description", "Generated-" + name))
    for gname in GROUPS:
        group = {"name": gname, "elements": [], "props": []}
        for ename in ELEMENTS[gname]:
            group["elements"].append(build_element(gname, ename, base, accent, text, content))
        group["props"] = group_props(gname, accent, text)
        skin["groups"].append(group)
    return skin


def group_props(gname, accent, text):
    C, I = "TdxSkinColor", "TdxSkinIntegerProperty"
    if gname == "Bars":
        return [(C, "DisabledTextColor", tcolor(mix(text, (128, 128, 128), 0.6)))]
    if gname == "Docking":
        return [(C, "TabHeaderTextColor", tcolor(text)), (C, "TabHeaderTextColorActive", tcolor(accent)),
                (I, "ActiveTabHeaderDownGrow", 1), (I, "ActiveTabHeaderHGrow", 2), (I, "ActiveTabHeaderUpGrow", 2)]
    if gname == "Editors":
        return [(C, "BackgroundColor", tcolor((255, 255, 255))), (C, "BackgroundDisabledColor", tcolor((236, 236, 236))),
                (C, "TextColor", tcolor((0, 0, 0))), (C, "TextDisabledColor", tcolor((140, 140, 140)))]
    if gname == "Form":
        return [(C, "TextColorInactive", tcolor(mix(text, (128, 128, 128), 0.5))),
                (C, "TextShadowColor", CL_NONE)]
    if gname == "PageControl":
        return [(I, "RowIndentFar", 2), (I, "RowIndentNear", 2), (I, "SelectedHeaderDownGrow", 1),
                (I, "SelectedHeaderHGrow", 2), (I, "SelectedHeaderUpGrow", 2), (I, "HeaderDownGrow", 0)]
    if gname == "Scheduler":
        return [(C, "NavigatorColor", tcolor(accent))]
    if gname == "Ribbon":
        return [(C, "AppMenuExtraPaneColor", tcolor(shade(accent, 40))), (C, "ButtonDisabled", tcolor((150, 150, 150))),
                (I, "TabHeaderDownGrow", 1)]
    if gname == "Printing":
        return [("TdxSkinRectProperty", "PageMargins", (10, 10, 10, 10)),
                ("TdxSkinSizeProperty", "PreviewShadow", (4, 4))]
    if gname == "Reports":
        return [("TdxSkinBooleanProperty", "ShowGridLines", True)]
    return []


def element_props(ename, gname, accent, text):
    C, I, B = "TdxSkinColor", "TdxSkinIntegerProperty", "TdxSkinBooleanProperty"
    key = (gname, ename)
    table = {
        ("Bars", "ScreenTipWindow"): [(C, "ScreenTipItem", tcolor(text)), (C, "ScreenTipTitleItem", tcolor(accent))],
        ("Common", "Button"): [(C, "DisabledText", tcolor((150, 150, 150)))],
        ("Docking", "DockWindowCaption"): [(C, "InactiveCaptionTextColor", tcolor(mix(text, (128, 128, 128), 0.5)))],
        ("PageControl", "TabHeader"): [(C, "TextColor", tcolor(text)), (C, "TextColorSelected", tcolor(accent)),
                                       (C, "TextColorDisabled", tcolor((150, 150, 150))), (C, "TextColorHot", tcolor(accent))],
        ("Scheduler", "Appointment"): [(I, "BorderSize", 1), (C, "SeparatorColor", tcolor(shade(accent, -40)))],
        ("NavPane", "Caption"): [(I, "Height", 24), (I, "FontSize", 12)],
        ("Form", "FormCaption"): [(I, "FontDelta", 1)],
        ("Ribbon", "FormCaption"): [(C, "TextColorInactive", tcolor(mix(text, (128, 128, 128), 0.5))),
                                    (C, "DocumentNameTextColor", tcolor(accent)), (I, "FontDelta", 1)],
        ("Ribbon", "Tab"): [(C, "TextColorSelected", tcolor(accent))],
        ("Ribbon", "StatusBarButton"): [(C, "TextColor", tcolor(text)), (C, "TextColorHot", tcolor(accent)),
                                        (C, "TextColorDisabled", tcolor((150, 150, 150)))],
        ("Ribbon", "QATAboveBackground"): [(B, "DisplayCustomizeButtonOutsideQAT", False),
                                           (I, "IndentBeforeCustomizeButton", 3)],
        ("Ribbon", "QATInRibbonBackground"): [(B, "DisplayCustomizeButtonOutsideQAT", True),
                                              (I, "IndentBeforeCustomizeButton", 2), (I, "Offset", 4)],
        ("Ribbon", "FormAppButton"): [(I, "RightIndent", 6)],
    }
    return table.get(key, [])


def image_record(margins=(0, 0, 0, 0), layout=0, states=0, stretch=0, gradient=(CL_NONE, CL_NONE, 0),
                 picture=None, size=(0, 0)):
    return {"margins": margins, "layout": layout, "states": states, "stretch": stretch, "gradient": gradient,
            "picture": picture or b"", "size": size if picture else (0, 0)}


def build_element(gname, ename, base, accent, text, content):
    count = IMAGE_COUNTS.get(ename, 1)
    fw, fh = 16, 16
    rounded = False
    layout = 0
    stretch = 0
    margins = (3, 3, 3, 3)
    if ename in FORM_FRAMES:
        states = [ACTIVE, ACTIVEDISABLED]
        if ename in ("FormFrameLeft", "FormFrameRight"):
            fw, fh, margins, layout = 4, 12, (0, 2, 0, 2), 1
        elif ename == "FormFrameBottom":
            fw, fh, margins, layout = 12, 4, (2, 0, 2, 0), 1
        else:
            fw, fh, margins, layout = 24, 26 if ename == "FormCaption" else 20, (6, 6, 6, 2), 1
    elif ename in CAPTION_BUTTONS:
        states = [NORMAL, HOT, PRESSED, ACTIVEDISABLED]
        rounded = True
    elif any(word in ename for word in INTERACTIVE_WORDS):
        states = [NORMAL, HOT, PRESSED, DISABLED]
        rounded = True
    else:
        states = [NORMAL]
    if ename.endswith("Vert") or ename.startswith("TrackBarThumbVert"):
        layout = 1
    if ename.startswith("Scroll") or "Splitter" in ename:
        stretch = 1  # tiled
    if ename in ("SizeGrip", "PopupSizeGrip", "DropDownGallerySizeGrip"):
        stretch, margins = 2, (0, 0, 0, 0)
    word = 0
    for s in states:
        word |= 1 << s
    frames = []
    for image in range(count):
        for slot, s in enumerate(states):
            variant = {NORMAL: 0, HOT: 1, PRESSED: 2, DISABLED: -1, ACTIVE: 0, ACTIVEDISABLED: -1}.get(s, 0)
            frames.append(frame_pixels(fw, fh, shade(base, image * 6), accent, variant, rounded))
    pixels = strip(frames, layout)
    picture = png(len(pixels[0]), len(pixels), pixels)
    if ename == "FormContent":
        pixels = [[content + (255,)] * 8 for _ in range(8)]
        picture, word, margins = png(8, 8, pixels), 1 << NORMAL, (0, 0, 0, 0)
    gradient = (CL_NONE, CL_NONE, 0)
    if ename in ("ProgressChunk", "ProgressChunkVert", "TabBackground", "GroupRow"):
        gradient = (tcolor(shade(accent, 30)), tcolor(shade(accent, -30)), 3 if "Vert" in ename else 1)
    image = image_record(margins, layout, word, stretch, gradient, picture, (len(pixels[0]), len(pixels)))
    glyph = image_record()
    if ename in GLYPH_ELEMENTS:
        kind = {"SpinUpGlyph": "up", "SpinLeftGlyph": "left", "SpinRightGlyph": "right", "CloseButton": "cross"}
        gstates = [NORMAL, HOT, PRESSED, DISABLED]
        gframes = [glyph_pixels(9, 9, shade(text, -40 * (s == DISABLED)), kind.get(ename, "down")) for s in gstates]
        gp = strip(gframes, 0)
        glyph = image_record((0, 0, 0, 0), 0, sum(1 << s for s in gstates), 2, (CL_NONE, CL_NONE, 0),
                             png(len(gp[0]), len(gp), gp), (len(gp[0]), len(gp)))
    color = CL_DEFAULT
    if ename == "FormContent":
        color = tcolor(content)
    elif ename in ("Background", "TabPane", "GroupPanel", "Dock", "StatusBar", "ScrollButton", "TabButtonHorz",
                   "TabButtonVert"):
        color = tcolor(shade(base, 20))
    alpha = 200 if ename in ("ScreenTipWindow", "AppointmentMask") else 255
    borders = [CL_NONE, CL_NONE, CL_NONE, CL_NONE]
    if ename in ("GridLine", "GridFixedLine", "BandBorder", "DockWindowBorder", "PopupBorder"):
        borders = [tcolor(shade(base, -50))] * 4
    text_color = tcolor(text) if ename in ("FormCaption", "Tab", "Button", "Header", "Item") else CL_DEFAULT
    offset = (3, 3, 3, 3) if ename in ("Button", "EditorButton", "Header", "Tab", "GroupButton") else (0, 0, 0, 0)
    min_size = (fw, fh) if ename in ("Button", "Checkbox", "RadioButton") else (0, 0)
    return {"name": ename, "color": color, "alpha": alpha, "imagecount": count, "offset": offset,
            "glyph": glyph, "image": image, "borders": [(c, 1) for c in borders], "textcolor": text_color,
            "minsize": min_size, "props": element_props(ename, gname, accent, text)}


# ---------------------------------------------------------------------------------------------
# Writing a pack.
def p_int(v):
    return struct.pack("<i", v)


def p_str(s):
    b = s.encode("ascii")
    return p_int(len(b)) + b


def p_prop(cls, name, value):
    out = p_str(cls) + p_str(name)
    if cls in ("TdxSkinIntegerProperty", "TdxSkinColor"):
        out += p_int(value)
    elif cls == "TdxSkinBooleanProperty":
        out += bytes((1 if value else 0,))
    elif cls == "TdxSkinRectProperty":
        out += b"".join(p_int(v) for v in value)
    elif cls == "TdxSkinSizeProperty":
        out += b"".join(p_int(v) for v in value)
    elif cls == "TdxSkinStringProperty":
        out += p_str(value)
    return out


def p_props(props):
    return p_int(len(props)) + b"".join(p_prop(*p) for p in props)


def p_image(img):
    out = b"".join(p_int(v) for v in img["margins"])
    out += struct.pack("<BHB", img["layout"], img["states"], img["stretch"])
    begin, end, mode = img["gradient"]
    out += p_int(begin) + p_int(end) + bytes((mode,))
    return out + p_int(len(img["picture"])) + img["picture"]


def p_element(el):
    out = p_int(el["color"]) + bytes((el["alpha"],)) + p_int(el["imagecount"])
    out += b"".join(p_int(v) for v in el["offset"])
    out += p_image(el["glyph"]) + p_image(el["image"])
    for side, (color, thin) in zip(("Left", "Top", "Right", "Bottom"), el["borders"]):
        out += p_str("TdxSkinBorder") + p_str(side) + p_int(color) + p_int(thin)
    out += p_int(el["textcolor"]) + p_int(el["minsize"][0]) + p_int(el["minsize"][1])
    return out + p_props(el["props"])


def pack(skin):
    out = p_int(6) + b"dxSkin" + struct.pack("<d", skin["version"]) + p_str(skin["name"])
    out += p_int(len(skin["colors"]))
    for name, value in skin["colors"]:
        out += p_str("TdxSkinColor") + p_str(name) + p_int(value)
    out += p_props(skin["props"])
    out += p_int(len(skin["groups"]))
    for group in skin["groups"]:
        out += p_str(group["name"]) + p_int(len(group["elements"]))
        for el in group["elements"]:
            out += p_str(el["name"]) + p_element(el)
        out += p_props(group["props"])
    return out


def container(packs):
    out = p_int(6) + b"dxSkin" + struct.pack("<d", VERSION) + p_int(len(packs))
    for data in packs:
        out += p_int(len(data)) + data
    return out


# ---------------------------------------------------------------------------------------------
# The manifest: one line per record, the same lines the tests print from a loaded skin.
def manifest(skin):
    lines = ["skin %s %.2f" % (skin["name"], skin["version"])]
    for name, value in skin["colors"]:
        lines.append("color %s %d" % (name, value))
    lines += prop_lines("skin", skin["props"])
    for group in skin["groups"]:
        lines.append("group %s" % group["name"])
        for el in group["elements"]:
            lines.append("element %s %d %d %d %d %d %d %d %d %d %d" % (
                (el["name"], el["color"], el["alpha"], el["imagecount"]) + tuple(el["offset"]) +
                (el["textcolor"],) + tuple(el["minsize"])))
            for which in ("glyph", "image"):
                img = el[which]
                lines.append("image %s %d %d %d %d %d %d %d %d %d %d %d %d" % (
                    (which,) + tuple(img["margins"]) + (img["layout"], img["states"], img["stretch"]) +
                    tuple(img["gradient"]) + tuple(img["size"])))
            for kind, (color, thin) in enumerate(el["borders"]):
                lines.append("border %d %d %d" % (kind, color, thin))
            lines += prop_lines("element", el["props"])
        lines += prop_lines("group", group["props"])
    return "\n".join(lines) + "\n"


def prop_lines(scope, props):
    lines = []
    for cls, name, value in props:
        if isinstance(value, bool):
            text = "1" if value else "0"
        elif isinstance(value, tuple):
            text = " ".join(str(v) for v in value)
        else:
            text = str(value)
        lines.append("prop %s %s %s %s" % (scope, cls, name, text))
    return lines


# ---------------------------------------------------------------------------------------------
# Reading a pack back (for packs the program wrote): the same table as build_skin makes.
class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, n):
        if n < 0 or self.at + n > len(self.data):
            raise ValueError("pack cut short at byte %d" % self.at)
        chunk = self.data[self.at:self.at + n]
        self.at += n
        return chunk

    def int(self):
        return struct.unpack("<i", self.take(4))[0]

    def byte(self):
        return self.take(1)[0]

    def str(self):
        n = self.int()
        return self.take(n).decode("ascii") if n > 0 else ""

    def props(self):
        out = []
        for _ in range(self.int()):
            cls, name = self.str(), self.str()
            if cls in ("TdxSkinIntegerProperty", "TdxSkinColor"):
                value = self.int()
            elif cls == "TdxSkinBooleanProperty":
                value = self.byte() != 0
            elif cls == "TdxSkinRectProperty":
                value = tuple(self.int() for _ in range(4))
            elif cls == "TdxSkinSizeProperty":
                value = tuple(self.int() for _ in range(2))
            elif cls == "TdxSkinStringProperty":
                value = self.str()
            else:
                raise ValueError("unknown property class %s" % cls)
            out.append((cls, name, value))
        return out

    def image(self):
        margins = tuple(self.int() for _ in range(4))
        layout, states, stretch = struct.unpack("<BHB", self.take(4))
        gradient = (self.int(), self.int(), self.byte())
        picture = self.take(self.int())
        size = (0, 0)
        if picture:
            if picture[:8] != b"\x89PNG\r\n\x1a\n":
                raise ValueError("picture is not a PNG")
            size = struct.unpack(">II", picture[16:24])
        return {"margins": margins, "layout": layout, "states": states, "stretch": stretch,
                "gradient": gradient, "picture": picture, "size": size}


def read_pack(data):
    r = Reader(data)
    if r.int() is None or r.take(6) != b"dxSkin":
        raise ValueError("not a skin pack")
    version = struct.unpack("<d", r.take(8))[0]
    skin = {"version": version, "name": r.str(), "colors": [], "groups": []}
    for _ in range(r.int()):
        r.str()
        skin["colors"].append((r.str(), r.int()))
    skin["props"] = r.props()
    for _ in range(r.int()):
        group = {"name": r.str(), "elements": []}
        for _ in range(r.int()):
            el = {"name": r.str(), "color": r.int(), "alpha": r.byte(), "imagecount": r.int(),
                  "offset": tuple(r.int() for _ in range(4))}
            el["glyph"], el["image"] = r.image(), r.image()
            el["borders"] = []
            for _ in range(4):
                r.str(), r.str()
                el["borders"].append((r.int(), r.int()))
            el["textcolor"] = r.int()
            el["minsize"] = (r.int(), r.int())
            el["props"] = r.props()
            group["elements"].append(el)
        group["props"] = r.props()
        skin["groups"].append(group)
    if r.at != len(data):
        raise ValueError("%d bytes after the pack's end" % (len(data) - r.at))
    return skin


def canonical(text):
    """The manifest's lines with every named list in name order: a program that looked names up
    has sorted its lists before writing them."""
    lines = text.splitlines()
    key = lambda line: line.split()[1] if line.startswith("color") else line.split()[3]
    head = [l for l in lines if l.startswith("skin ")]
    colors, skin_props, groups = [], [], []
    for line in lines:
        word = line.split()[0]
        if word == "color":
            colors.append(line)
        elif line.startswith("prop skin "):
            skin_props.append(line)
        elif word == "group":
            groups.append({"line": line, "elements": [], "props": []})
        elif word == "element":
            groups[-1]["elements"].append({"line": line, "body": [], "props": []})
        elif line.startswith("prop element "):
            groups[-1]["elements"][-1]["props"].append(line)
        elif line.startswith("prop group "):
            groups[-1]["props"].append(line)
        elif word in ("image", "border"):
            groups[-1]["elements"][-1]["body"].append(line)
    out = head + sorted(colors, key=key) + sorted(skin_props, key=key)
    for group in sorted(groups, key=lambda g: g["line"].split()[1]):
        out.append(group["line"])
        for el in sorted(group["elements"], key=lambda e: e["line"].split()[1]):
            out += [el["line"]] + el["body"] + sorted(el["props"], key=key)
        out += sorted(group["props"], key=key)
    return "\n".join(out) + "\n"


def check(pack_path, manifest_path):
    with open(pack_path, "rb") as f:
        skin = read_pack(f.read())
    with open(manifest_path) as f:
        expected = f.read()
    got, expected = canonical(manifest(skin)), canonical(expected)
    if got != expected:
        for i, (a, b) in enumerate(zip(got.splitlines(), expected.splitlines())):
            if a != b:
                print("%s line %d:\n  read     %s\n  manifest %s" % (pack_path, i + 1, a, b))
                break
        else:
            print("%s: line counts differ" % pack_path)
        return False
    return True


# ---------------------------------------------------------------------------------------------
def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--check-dir":
        # Every manifest of MANIFEST_DIR against the pack of that name in PACK_DIR.
        packs, manifests = sys.argv[2], sys.argv[3]
        names = sorted(f[:-len(".manifest")] for f in os.listdir(manifests) if f.endswith(".manifest"))
        ok = bool(names)
        for name in names:
            ok = check(os.path.join(packs, name + ".skinpack"), os.path.join(manifests, name + ".manifest")) and ok
        print("%d packs checked" % len(names))
        sys.exit(0 if ok else 1)
    if len(sys.argv) >= 2 and sys.argv[1] == "--check":
        ok = True
        for i in range(2, len(sys.argv) - 1, 2):
            ok = check(sys.argv[i], sys.argv[i + 1]) and ok
        sys.exit(0 if ok else 1)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    lines = ["// Generated by resources/skins.py; do not edit."]
    packs = {}
    for name, base, accent, text in PALETTES:
        skin = build_skin(name, base, accent, text)
        packs[name] = pack(skin)
        with open(os.path.join(out, name + ".skinpack"), "wb") as f:
            f.write(packs[name])
        with open(os.path.join(out, name + ".manifest"), "w") as f:
            f.write(manifest(skin))
    # The pack that seeds the user skin is the Office2007Black pack, byte for byte.
    entries = [(name, name) for name, _, _, _ in PALETTES] + [("DefaultUserSkinData", "Office2007Black")]
    for resource, name in entries:
        # Written in capitals: FindResource looks the upper-cased name up.
        lines.append('%s DXSKINS "%s"' % (resource.upper(), os.path.join(out, name + ".skinpack").replace("\\", "/")))
    with open(os.path.join(out, "UICore.dll"), "wb") as f:
        f.write(container([packs[name] for name in CONTAINER]))
    with open(os.path.join(out, "Skins.rc"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
