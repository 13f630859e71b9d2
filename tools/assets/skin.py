"""The 57 default skin pictures of the framework's controls and shell screens."""

import numpy as np
from PIL import Image

from canvas import FONT_SANS_BOLD, Canvas, rgba, shade, text_width

GREEN = (60, 175, 70)
RED = (220, 60, 50)

# Push buttons: base name → (size, colour, label).
BUTTONS = {
    "PrintButton": ((84, 47), GREEN, "Печать"),
    "SaveAsButton": ((148, 47), GREEN, "Сохранить как..."),
    "RetryButton": ((109, 47), GREEN, "Повторить"),
    "CloseButton": ((111, 47), RED, "Закрыть"),
    "StartPopStartButton": ((84, 47), GREEN, "Пуск"),
    "SubmitButton": ((109, 47), GREEN, "Применить"),
    "OptionsButton": ((109, 47), GREEN, "Настройки"),
    "CancelButton": ((111, 47), RED, "Отмена"),
}

# The registration order of the skin (also its release order).
ORDER = (
    ["DefaultBackGround", "ExitButton", "PrintButton", "SaveAsButton", "RetryButton", "CloseButton", "StartPopStartButton",
     "EscButton", "F1Button", "F12Button", "SubmitButton", "OptionsButton", "CancelButton"]
    + [n + "Klick" for n in ["PrintButton", "SaveAsButton", "RetryButton", "CloseButton", "StartPopStartButton", "SubmitButton",
                             "OptionsButton", "CancelButton"]]
    + [n + "Nuv" for n in ["PrintButton", "SaveAsButton", "RetryButton", "CloseButton", "StartPopStartButton", "SubmitButton",
                           "OptionsButton", "CancelButton"]]
    + ["SliderSliderVertical", "SliderSliderVerticalHover", "SliderSliderHorizontal", "SliderSliderHorizontalHover",
       "ScrollSlider", "ScrollSliderHorizontal", "ScrollBackground", "ScrollButtonUp", "ScrollButtonDown",
       "CheckBoxUnchecked", "CheckBoxChecked", "RadioButtonUnchecked", "RadioButtonChecked",
       "CheckBoxDisUnchecked", "CheckBoxDisChecked", "RadioButtonDisUnchecked", "RadioButtonDisChecked",
       "EditBarBackGround", "EditBarCornerLT", "EditBarCornerRT", "EditBarCornerLB", "EditBarCornerRB",
       "EditBarBorderL", "EditBarBorderR", "EditBarBorderT", "EditBarBorderB", "EditBarKaretka", "SelectionMask"]
)

# Pictures without transparency are written as RGB.
OPAQUE = {"DefaultBackGround", "ScrollSlider", "ScrollSliderHorizontal", "ScrollBackground", "CheckBoxUnchecked",
          "CheckBoxChecked", "CheckBoxDisUnchecked", "CheckBoxDisChecked", "EditBarBackGround", "EditBarKaretka"}


def fit_label(label, w, h, font=FONT_SANS_BOLD, largest=21):
    size = largest
    while size > 9 and (text_width(label, size, font) > w - 16 or size > h * 0.46):
        size -= 0.5
    return size


def button(size, colour, label, look):
    """look: 0 normal, 1 pointer over (lighter), 2 pressed (darker, pushed down a pixel)."""
    w, h = size
    base = {0: colour, 1: shade(colour, 1.22), 2: shade(colour, 0.78)}[look]
    c = Canvas(w, h, s=6)
    dy = 1 if look == 2 else 0
    r = (h - 6) / 2
    c.rect(1.5, 3.5, w - 1.5, h - 1, fill=(0, 0, 0, 60), radius=r)
    top = shade(base, 1.35) if look != 2 else shade(base, 1.1)
    c.rect(1.5, 1.5 + dy, w - 1.5, h - 3 + dy, fill=("linear", [top, base, shade(base, 0.82)], ((0, 1.5), (0, h - 3))),
           outline=shade(base, 0.5), width=1.5, radius=r)
    c.rect(6, 3.5 + dy, w - 6, h / 2 - 1 + dy, fill=(255, 255, 255, 70 if look != 2 else 35), radius=(h / 2 - 4) / 2)
    s = fit_label(label, w, h)
    c.text(w / 2, (h - 3) / 2 + dy + 1, label, s, (255, 255, 255), font=FONT_SANS_BOLD, outline=shade(base, 0.45), outline_width=1.2)
    return c.picture()


def keycap(label):
    c = Canvas(37, 25, s=6)
    c.rect(0.5, 1.5, 36.5, 24.5, fill=(70, 70, 80), radius=4)
    c.rect(0.5, 0.5, 36.5, 22.5, fill=("linear", [(250, 250, 252), (205, 208, 215)], ((0, 0), (0, 22))), outline=(110, 112, 120), width=1, radius=4)
    c.text(18.5, 11.5, label, 11 if len(label) < 3 else 10, (40, 45, 60), font=FONT_SANS_BOLD)
    return c.picture()


def knob(w, h, hover):
    col = shade(GREEN, 1.25) if hover else GREEN
    c = Canvas(w, h, s=8)
    c.rect(0.5, 0.5, w - 0.5, h - 0.5, fill=("linear", [shade(col, 1.3), col], ((0, 0), (0, h))) if w > h else
           ("linear", [shade(col, 1.3), col], ((0, 0), (w, 0))), outline=shade(col, 0.5), width=1, radius=min(w, h) / 2.5)
    return c.picture()


def scroll_arrow(up):
    c = Canvas(16, 16, s=8)
    c.rect(0.5, 0.5, 15.5, 15.5, fill=("linear", [(235, 240, 250), (200, 210, 230)], ((0, 0), (0, 16))), outline=(120, 135, 165), width=1, radius=3)
    pts = [(8, 4), (12.5, 10.5), (3.5, 10.5)] if up else [(8, 12), (12.5, 5.5), (3.5, 5.5)]
    c.polygon(pts, fill=(40, 100, 220), outline=(20, 60, 150), width=0.8)
    return c.picture()


def checkbox(checked, disabled):
    back = (236, 236, 236) if disabled else (255, 255, 255)
    edge = (170, 170, 170) if disabled else (80, 110, 150)
    c = Canvas(16, 16, s=8, background=back)
    c.rect(0.5, 0.5, 15.5, 15.5, fill=back, outline=edge, width=1, radius=2)
    if checked:
        tick = (150, 175, 150) if disabled else (40, 170, 50)
        c.line([(3.5, 8.5), (6.8, 12), (12.5, 4)], tick, 2.4)
    return c.picture()


def radio(checked, disabled):
    back = (236, 236, 236) if disabled else (255, 255, 255)
    edge = (170, 170, 170) if disabled else (80, 110, 150)
    c = Canvas(16, 16, s=8)
    c.ellipse(8, 8, 7.3, 7.3, fill=back, outline=edge, width=1)
    if checked:
        dot = (150, 175, 150) if disabled else (40, 170, 50)
        c.ellipse(8, 8, 3.6, 3.6, fill=dot)
    return c.picture()


def corner(which):
    """One rounded corner of the edit field's frame (8 × 8)."""
    c = Canvas(8, 8, s=8)
    cx = 8 if "L" in which[0] else 0
    cy = 8 if which[1] == "T" else 0
    c.ellipse(cx, cy, 7.5, 7.5, fill=(255, 255, 255), outline=(0, 0, 0), width=1)
    return c.picture()


def background():
    ys, xs = np.mgrid[0:600, 0:800].astype(np.float64)
    g = 236 - 16 * ys / 600
    rgb = np.stack([g, g + 1, g + 4], -1)
    return Image.fromarray(np.clip(np.round(rgb), 0, 255).astype(np.uint8), "RGB")


def exit_button():
    c = Canvas(21, 21, s=8)
    c.rect(0.5, 0.5, 20.5, 20.5, fill=("linear", [(245, 90, 80), (200, 40, 35)], ((0, 0), (0, 21))), outline=(130, 20, 15), width=1, radius=3)
    c.line([(6, 6), (15, 15)], (255, 255, 255), 2.6)
    c.line([(15, 6), (6, 15)], (255, 255, 255), 2.6)
    return c.picture()


def solid(w, h, colour):
    return Image.new("RGBA", (w, h), rgba(colour))


def generate():
    """Yields (name, picture, PNG mode) in registration order."""
    pics = {
        "DefaultBackGround": background(),
        "ExitButton": exit_button(),
        "EscButton": keycap("Esc"),
        "F1Button": keycap("F1"),
        "F12Button": keycap("F12"),
        "SliderSliderVertical": knob(19, 10, False),
        "SliderSliderVerticalHover": knob(19, 10, True),
        "SliderSliderHorizontal": knob(11, 20, False),
        "SliderSliderHorizontalHover": knob(11, 20, True),
        "ScrollSlider": Image.fromarray(np.array([[(90, 140, 210)] * 16, [(60, 105, 180)] * 16], np.uint8), "RGB"),
        "ScrollSliderHorizontal": Image.fromarray(np.array([[(90, 140, 210), (60, 105, 180)]] * 16, np.uint8), "RGB"),
        "ScrollBackground": solid(16, 16, (225, 228, 232)),
        "ScrollButtonUp": scroll_arrow(True),
        "ScrollButtonDown": scroll_arrow(False),
        "CheckBoxUnchecked": checkbox(False, False),
        "CheckBoxChecked": checkbox(True, False),
        "RadioButtonUnchecked": radio(False, False),
        "RadioButtonChecked": radio(True, False),
        "CheckBoxDisUnchecked": checkbox(False, True),
        "CheckBoxDisChecked": checkbox(True, True),
        "RadioButtonDisUnchecked": radio(False, True),
        "RadioButtonDisChecked": radio(True, True),
        "EditBarBackGround": solid(1, 1, (255, 255, 255)),
        "EditBarCornerLT": corner("LT"),
        "EditBarCornerRT": corner("RT"),
        "EditBarCornerLB": corner("LB"),
        "EditBarCornerRB": corner("RB"),
        "EditBarBorderL": Image.fromarray(np.array([[(0, 0, 0, 0)] * 7 + [(0, 0, 0, 255)]], np.uint8), "RGBA"),
        "EditBarBorderR": Image.fromarray(np.array([[(0, 0, 0, 255)] + [(0, 0, 0, 0)] * 7], np.uint8), "RGBA"),
        "EditBarBorderT": Image.fromarray(np.array([[(0, 0, 0, 0)]] * 7 + [[(0, 0, 0, 255)]], np.uint8), "RGBA"),
        "EditBarBorderB": Image.fromarray(np.array([[(0, 0, 0, 255)]] + [[(0, 0, 0, 0)]] * 7, np.uint8), "RGBA"),
        "EditBarKaretka": solid(1, 19, (0, 0, 0)),
        "SelectionMask": solid(1, 1, (0x00, 0x56, 0xFF, 0x1C)),
    }
    for name, (size, colour, label) in BUTTONS.items():
        pics[name] = button(size, colour, label, 0)
        pics[name + "Nuv"] = button(size, colour, label, 1)
        pics[name + "Klick"] = button(size, colour, label, 2)
    assert sorted(pics) == sorted(ORDER) and len(ORDER) == 57
    for name in ORDER:
        yield name, pics[name], "RGB" if name in OPAQUE else "RGBA"
