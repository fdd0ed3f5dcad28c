#!/usr/bin/python3
"""Makes res/fonts/Vampire95.ttf: Debian's Gamaliel blackletter (Rafael
Ferran i Peralta, OFL 1.1, package fonts-gamaliel) with its family renamed to
the face the main window asks for. The OFL allows a renamed modified version;
the copyright and licence notices stay in the font and beside it.

Needs the Debian packages fonts-gamaliel and python3-fonttools.
Usage: tools/fonts/make_vampire95.py   (from the repository's root)
"""
import shutil

from fontTools.ttLib import TTFont

SOURCE = '/usr/share/fonts/truetype/gamaliel/Gamaliel.ttf'
LICENCE = '/usr/share/doc/fonts-gamaliel/copyright'
FAMILY = 'Vampire95'

font = TTFont(SOURCE)
names = font['name']
for record in names.names:
    if record.nameID in (1, 4, 16, 18):
        record.string = FAMILY
    elif record.nameID == 3:
        record.string = FAMILY + ': derived from Gamaliel 001.000'
    elif record.nameID == 6:
        record.string = FAMILY
font['head'].modified = font['head'].created  # deterministic output
font.save('res/fonts/Vampire95.ttf')
shutil.copyfile(LICENCE, 'res/fonts/Vampire95-LICENSE.txt')
