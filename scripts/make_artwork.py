#!/usr/bin/env python3
"""Writes the panel artwork (meter picture, digit glyphs, annunciators) into src/resources.

The glyphs are seven-segment digits drawn on the colour of the display window, so a glyph placed
over the meter picture blends into the display. Run again after changing a colour or a shape."""
import os

OUT = os.path.join(os.path.dirname(__file__), "..", "src", "resources")
LCD_BG = "#c9d3b6"
SEG_ON = "#1b1f1a"
SEG_OFF = "#bcc6a8"  # faint unlit segments, as on a real display

# Segment polygons for a 30 x 52 cell: a, b, c, d, e, f, g.
def segs():
    t = 4.6  # thickness
    x0, x1, y0, ym, y1 = 6, 24, 4, 26, 48
    g = 0.7  # gap between neighbouring segments
    def h(y):
        return (f"{x0+g},{y} {x0+t/2+g},{y-t/2} {x1-t/2-g},{y-t/2} {x1-g},{y} "
                f"{x1-t/2-g},{y+t/2} {x0+t/2+g},{y+t/2}")
    def v(x, ya, yb):
        return (f"{x},{ya+g} {x+t/2},{ya+t/2+g} {x+t/2},{yb-t/2-g} {x},{yb-g} "
                f"{x-t/2},{yb-t/2-g} {x-t/2},{ya+t/2+g}")
    return {
        "a": h(y0), "g": h(ym), "d": h(y1),
        "f": v(x0, y0, ym), "b": v(x1, y0, ym),
        "e": v(x0, ym, y1), "c": v(x1, ym, y1),
    }

DIGITS = {0: "abcdef", 1: "bc", 2: "abged", 3: "abgcd", 4: "fgbc", 5: "afgcd", 6: "afgedc",
          7: "abc", 8: "abcdefg", 9: "abcdfg", 17: "g", 18: "fed"}

def glyph(i):
    lit = DIGITS.get(i, "")
    polys = []
    for name, pts in segs().items():
        colour = SEG_ON if name in lit else SEG_OFF
        polys.append(f'<polygon points="{pts}" fill="{colour}" transform="translate(2.5,0) skewX(-5)"/>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="30" height="52" viewBox="0 0 30 52">'
            f'<rect width="30" height="52" fill="{LCD_BG}"/>' + "".join(polys) + "</svg>\n")

def text_svg(w, h, text, size, weight="bold", bg=LCD_BG, fg=SEG_ON, extra=""):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">'
            f'<rect width="{w}" height="{h}" fill="{bg}"/>{extra}'
            f'<text x="{w/2}" y="{h-2}" font-family="DejaVu Sans, Arial, sans-serif" font-size="{size}" '
            f'font-weight="{weight}" text-anchor="middle" fill="{fg}">{text}</text></svg>\n')

def battery(n):
    bars = "".join(f'<rect x="{4+i*7}" y="3" width="5" height="6" fill="{SEG_ON}"/>' for i in range(n))
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="29" height="12" viewBox="0 0 29 12">'
            f'<rect width="29" height="12" fill="{LCD_BG}"/>'
            f'<rect x="1.5" y="1.5" width="23" height="9" fill="none" stroke="{SEG_ON}" stroke-width="1.5"/>'
            f'<rect x="25" y="4" width="3" height="4" fill="{SEG_ON}"/>{bars}</svg>\n')

def alarm():
    bell = (f'<path d="M4 9 L4 6 Q4 2 7.5 2 Q11 2 11 6 L11 9 L12.5 10 L2.5 10 Z" fill="{SEG_ON}"/>'
            f'<circle cx="7.5" cy="11" r="1" fill="{SEG_ON}"/>')
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="47" height="12" viewBox="0 0 47 12">'
            f'<rect width="47" height="12" fill="{LCD_BG}"/>{bell}'
            f'<text x="30" y="10" font-family="DejaVu Sans, Arial, sans-serif" font-size="9" font-weight="bold" '
            f'text-anchor="middle" fill="{SEG_ON}">ALARM</text></svg>\n')

def point():
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="5" height="7" viewBox="0 0 5 7">'
            f'<rect width="5" height="7" fill="{LCD_BG}"/><rect x="0.5" y="2" width="4" height="4" fill="{SEG_ON}"/></svg>\n')

def key(x, y, w, h, label, colour="#3b4148", text="#e8e8e8", size=11):
    return (f'<g><rect x="{x+2}" y="{y+3}" width="{w}" height="{h}" rx="10" fill="#101214" opacity="0.55"/>'
            f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="10" fill="{colour}" stroke="#15181b" stroke-width="1.2"/>'
            f'<rect x="{x+3}" y="{y+3}" width="{w-6}" height="{h/2-3}" rx="8" fill="#ffffff" opacity="0.08"/>'
            f'<text x="{x+w/2}" y="{y+h/2+4}" font-family="DejaVu Sans, Arial, sans-serif" font-size="{size}" '
            f'font-weight="bold" text-anchor="middle" fill="{text}">{label}</text></g>')

def meter():
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="300" height="708" viewBox="0 0 300 708">',
        '<defs><linearGradient id="body" x1="0" x2="1"><stop offset="0" stop-color="#2c3137"/>'
        '<stop offset="0.5" stop-color="#434a52"/><stop offset="1" stop-color="#24282d"/></linearGradient>'
        '<linearGradient id="bezel" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#1a1d21"/>'
        '<stop offset="1" stop-color="#30353b"/></linearGradient>'
        '<linearGradient id="glass" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#ffffff" stop-opacity="0.18"/>'
        '<stop offset="0.4" stop-color="#ffffff" stop-opacity="0"/></linearGradient></defs>',
        # Body: wide at the top, waisted grip below the keys, rounded foot with the sensor grille.
        '<path d="M24 20 Q24 4 44 4 L256 4 Q276 4 276 20 L282 360 Q284 420 266 470 L258 620 '
        'Q256 700 150 704 Q44 700 42 620 L34 470 Q16 420 18 360 Z" fill="url(#body)" stroke="#14171a" stroke-width="3"/>',
        '<path d="M40 14 L260 14" stroke="#5a626b" stroke-width="2" opacity="0.6"/>',
        # Maker line above the display; the room below it is where the panel writes "No Connection".
        '<text x="150" y="34" font-family="DejaVu Sans, Arial, sans-serif" font-size="15" font-weight="bold" '
        'text-anchor="middle" fill="#e6e9ec" letter-spacing="2">QZ407</text>',
        # Display bezel with the subtitle on it, and the display window, wide enough for the "ppm" label.
        '<rect x="28" y="60" width="247" height="282" rx="14" fill="url(#bezel)" stroke="#0e1012" stroke-width="2"/>',
        '<text x="151.5" y="77" font-family="DejaVu Sans, Arial, sans-serif" font-size="8.5" '
        'text-anchor="middle" fill="#aab2ba" letter-spacing="1">CO2 · HUMIDITY · TEMPERATURE</text>',
        f'<rect x="36" y="84" width="234" height="248" rx="6" fill="{LCD_BG}" stroke="#7e8a6c" stroke-width="1.5"/>',
        f'<line x1="40" y1="186" x2="266" y2="186" stroke="#aab496" stroke-width="1"/>',
        f'<line x1="40" y1="246" x2="266" y2="246" stroke="#aab496" stroke-width="1"/>',
        # Keys where the click areas are.
        key(94, 393, 50, 44, "☀", size=18),
        key(161, 393, 50, 49, "MAX", size=10),
        '<text x="186" y="433" font-family="DejaVu Sans, Arial, sans-serif" font-size="7" text-anchor="middle" fill="#c8ced4">MIN/AVG</text>',
        key(84, 468, 59, 42, "SET"),
        key(157, 468, 59, 42, "HOLD"),
        key(92, 538, 59, 42, "REC", colour="#8e2f2f"),
        key(157, 546, 59, 42, "°C/°F"),
        # Sensor grille at the foot.
    ]
    for i in range(6):
        y = 612 + i * 12
        parts.append(f'<rect x="{110 - (2 if i in (0, 5) else 0)}" y="{y}" width="80" height="5" rx="2.5" fill="#16191c"/>')
    parts.append('<circle cx="150" cy="372" r="4" fill="#5fbf5f" stroke="#1b1f1a"/>')
    parts.append("</svg>\n")
    return "".join(parts)

def write(name, text):
    with open(os.path.join(OUT, name), "w", encoding="utf-8") as f:
        f.write(text)

def main():
    for i in range(25):
        write(f"LCD{i}.svg", glyph(i))
    write("meter.svg", meter())
    for n in range(4):
        write(f"bat{n}.svg", battery(n))
    write("t1c.svg", text_svg(19, 14, "°C", 11))
    write("t1f.svg", text_svg(17, 14, "°F", 11))
    write("alarm.svg", alarm())
    write("hold.svg", text_svg(37, 12, "HOLD", 10))
    write("rec.svg", text_svg(30, 11, "REC", 9, fg="#1b1f1a"))
    write("full.svg", text_svg(37, 11, "FULL", 9))
    write("stel.svg", text_svg(37, 13, "STEL", 10))
    write("twa.svg", text_svg(32, 13, "TWA", 10))
    write("co2.svg", text_svg(40, 16, "CO₂", 13))
    write("point.svg", point())

if __name__ == "__main__":
    main()
