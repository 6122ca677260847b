#!/usr/bin/env python3
"""Writes the charset and entity tables of the XML reader as C++ sources.

Both tables are hashed the same way: the sum of a name's UTF-16 units, after folding A-Z to
a-z, modulo the bucket count. A bucket is one string of self-delimiting entries:
  charsets: two-digit name length, five-digit code page, the lower-case name;
  entities: one-digit name length, four-digit character code, the lower-case name,
            in the ASCII order of the names as HTML 4.01 spells them (Oslash before oslash).
Run from the repository root: scripts/gen_xml_tables.py
"""
import html.entities

CHARSETS = [
    (37, ['ebcdic-cp-us']),
    (420, ['x-ebcdic-arabic']),
    (437, ['437', 'codepage437', 'cp437', 'cspc8', 'ibm437']),
    (708, ['asmo-708']),
    (720, ['dos-720']),
    (737, ['ibm737']),
    (775, ['cp500', 'ibm775']),
    (850, ['ibm850']),
    (852, ['cp852', 'ibm852']),
    (857, ['ibm857']),
    (861, ['ibm861']),
    (862, ['dos-862']),
    (866, ['cp866', 'ibm866']),
    (869, ['ibm869']),
    (870, ['cp870']),
    (874, ['dos-874', 'iso-8859-11', 'tis-620', 'windows-874']),
    (875, ['x-ebcdic-greekmodern']),
    (932, ['csshiftjis', 'cswindows31j', 'ms_kanji', 'shift-jis', 'shift_jis', 'x-ms-cp932', 'x-sjis']),
    (936, ['chinese', 'cn-gb', 'csgb2312', 'csgb231280', 'csiso58gb231280', 'gb2312', 'gb2312-80', 'gb231280', 'gb_2312-80', 'gbk', 'iso-ir-58']),
    (949, ['csksc56011987', 'euc-kr', 'iso-ir-149', 'korean', 'ks_c_5601', 'ks_c_5601-1987', 'ks_c_5601-1989', 'ks_c_5601_1987', 'ksc5601', 'ksc_5601']),
    (950, ['big5', 'cn-big5', 'csbig5', 'x-x-big5']),
    (1026, ['cp1026']),
    (1140, ['x-ebcdic-cp-us-euro']),
    (1142, ['x-ebcdic-denmarknorway-euro']),
    (1143, ['x-ebcdic-finlandsweden-euro', 'x-ebcdic-france', 'x-ebcdic-germany-euro']),
    (1144, ['x-ebcdic-italy-euro']),
    (1145, ['x-ebcdic-spain-euro']),
    (1146, ['x-ebcdic-uk-euro']),
    (1147, ['x-ebcdic-france-euro']),
    (1148, ['x-ebcdic-international-euro']),
    (1149, ['x-ebcdic-icelandic-euro']),
    (1200, ['unicode', 'utf-16']),
    (1201, ['unicodefffe']),
    (1250, ['windows-1250', 'x-cp1250']),
    (1251, ['windows-1251', 'x-cp1251']),
    (1252, ['iso-ir-6', 'us', 'windows-1252', 'x-ansi']),
    (1253, ['windows-1253']),
    (1254, ['windows-1254']),
    (1255, ['iso_8859-8-i', 'windows-1255']),
    (1256, ['cp1256', 'windows-1256']),
    (1257, ['windows-1257']),
    (1258, ['windows-1258']),
    (1361, ['johab']),
    (10000, ['macintosh']),
    (10001, ['x-mac-japanese']),
    (10002, ['x-mac-chinesetrad']),
    (10003, ['x-mac-korean']),
    (10004, ['x-mac-arabic']),
    (10005, ['x-mac-hebrew']),
    (10006, ['x-mac-greek']),
    (10007, ['x-mac-cyrillic']),
    (10008, ['x-mac-chinesesimp']),
    (10029, ['x-mac-ce']),
    (10079, ['x-mac-icelandic']),
    (10081, ['x-mac-turkish']),
    (20000, ['x-chinese-cns']),
    (20002, ['x-chinese-eten']),
    (20105, ['x-ia5']),
    (20106, ['x-ia5-german']),
    (20107, ['x-ia5-swedish']),
    (20108, ['x-ia5-norwegian']),
    (20127, ['ansi_x3.4-1968', 'ansi_x3.4-1986', 'ascii', 'cp367', 'csascii', 'ibm367', 'iso-ir-6us', 'iso646-us', 'iso_646.irv:1991', 'us-ascii']),
    (20273, ['x-ebcdic-germany']),
    (20277, ['x-ebcdic-denmarknorway']),
    (20278, ['x-ebcdic-finlandsweden']),
    (20280, ['x-ebcdic-italy']),
    (20284, ['x-ebcdic-spain']),
    (20285, ['x-ebcdic-uk']),
    (20290, ['x-ebcdic-japanesekatakana']),
    (20423, ['x-ebcdic-greek']),
    (20424, ['x-ebcdic-hebrew']),
    (20833, ['x-ebcdic-koreanextended']),
    (20838, ['x-ebcdic-thai']),
    (20866, ['cskoi8r', 'koi', 'koi8', 'koi8-r', 'koi8r']),
    (20873, ['x-ebcdic-icelandic']),
    (20880, ['x-ebcdic-cyrillicrussian']),
    (20905, ['x-ebcdic-turkish']),
    (21025, ['x-ebcdic-cyrillicserbianbulgarian']),
    (21866, ['koi8-ru', 'koi8-u']),
    (28591, ['cp819', 'ibm819', 'iso-8859-1', 'iso-ir-100', 'iso8859-1', 'iso_8859-1', 'iso_8859-1:1987', 'l1', 'latin1']),
    (28592, ['csisolatin2', 'iso-8859-2', 'iso-ir-101', 'iso8859-2', 'iso_8859-2', 'iso_8859-2:1987', 'l2', 'latin2']),
    (28593, ['csiso', 'iso-8859-3', 'iso-ir-109', 'iso_8859-3', 'iso_8859-3:1988', 'l3', 'latin3']),
    (28594, ['csisolatin4', 'iso-8859-4', 'iso-ir-110', 'iso_8859-4', 'iso_8859-4:1988', 'l4', 'latin4']),
    (28595, ['csisolatin5', 'csisolatincyrillic', 'cyrillic', 'iso-8859-5', 'iso-ir-144', 'iso_8859-5', 'iso_8859-5:1988', 'l5']),
    (28596, ['arabic', 'csisolatinarabic', 'ecma-114', 'iso-8859-6', 'iso-ir-127', 'iso_8859-6', 'iso_8859-6:1987']),
    (28597, ['csisolatingreek', 'ecma-118', 'elot_928', 'greek', 'greek8', 'iso-8859-7', 'iso-ir-126', 'iso_8859-7', 'iso_8859-7:1987']),
    (28598, ['csisolatinhebrew', 'hebrew', 'iso-8859-8', 'iso-ir-138', 'iso_8859-8', 'iso_8859-8:1988', 'visual']),
    (28599, ['iso-8859-9', 'iso-ir-148', 'iso_8859-9', 'iso_8859-9:1989', 'latin5']),
    (28605, ['iso-8859-15', 'iso_8859-15', 'l9', 'latin9']),
    (29001, ['x-europa']),
    (38598, ['iso-8859-8-i', 'logical']),
    (50220, ['iso-2022-jp']),
    (50221, ['_iso-2022-jp', 'csiso2022jp']),
    (50222, ['_iso-2022-jp$sio']),
    (50225, ['csiso2022kr', 'iso-2022-kr']),
    (50930, ['x-ebcdic-japaneseandkana']),
    (50933, ['x-ebcdic-japaneseanduscanada', 'x-ebcdic-koreanandkoreanextended']),
    (50935, ['x-ebcdic-simplifiedchinese']),
    (50937, ['x-ebcdic-traditionalchinese']),
    (50939, ['x-ebcdic-japaneseandjapaneselatin']),
    (51932, ['cseucpkdfmtjapanese', 'euc-jp', 'extended_unix_code_packed_format_for_japanese', 'x-euc', 'x-euc-jp']),
    (51936, ['euc-cn', 'x-euc-cn']),
    (51949, ['cseuckr']),
    (52936, ['hz-gb-2312']),
    (57002, ['x-iscii-de']),
    (57003, ['x-iscii-be']),
    (57004, ['x-iscii-ta']),
    (57005, ['x-iscii-te']),
    (57006, ['x-iscii-as']),
    (57007, ['x-iscii-or']),
    (57008, ['x-iscii-ka']),
    (57009, ['x-iscii-ma']),
    (57010, ['x-iscii-gu']),
    (57011, ['x-iscii-pa']),
    (65000, ['csunicode11utf7', 'unicode-1-1-utf-7', 'utf-7', 'x-unicode-2-0-utf-7']),
    (65001, ['unicode-1-1-utf-8', 'unicode-2-0-utf-8', 'utf-8', 'x-unicode-2-0-utf-8']),
]

CHARSET_BUCKETS = 150
ENTITY_BUCKETS = 130


def bucket(name, count):
    return sum(ord(c) for c in name.lower()) % count


def literal(entries):
    return 'u"' + ''.join(entries) + '"'


def write(path, array, count, buckets, comment):
    with open(path, 'w') as f:
        f.write('// Generated by scripts/gen_xml_tables.py; do not edit.\n')
        f.write('// %s\n' % comment)
        f.write('#include "updater/config/name_tables.h"\n\n')
        f.write('namespace kivu::config {\n\n')
        f.write('const char16_t* const %s[%d] = {\n' % (array, count))
        for entries in buckets:
            f.write('    %s,\n' % literal(entries))
        f.write('};\n\n}  // namespace kivu::config\n')


def main():
    charsets = [[] for _ in range(CHARSET_BUCKETS)]
    total = 0
    for code_page, names in CHARSETS:
        for name in names:
            charsets[bucket(name, CHARSET_BUCKETS)].append('%02d%05d%s' % (len(name), code_page, name))
            total += 1
    assert total == 254, total
    write('updater/config/charset_table.cpp', 'kCharsetBuckets', CHARSET_BUCKETS, charsets,
          'Registered charset names and their code pages.')

    names = dict(html.entities.name2codepoint)
    names['apos'] = 39
    assert len(names) == 253
    entities = [[] for _ in range(ENTITY_BUCKETS)]
    for name in sorted(names):  # Python sorts by code point: capitals first, as ASCII does
        entities[bucket(name, ENTITY_BUCKETS)].append('%d%04d%s' % (len(name), names[name], name.lower()))
    write('updater/config/entity_table.cpp', 'kEntityBuckets', ENTITY_BUCKETS, entities,
          'The named character references of HTML 4.01, and apos.')


if __name__ == '__main__':
    main()
