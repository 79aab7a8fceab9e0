#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/ (the files are committed).

Run it again after changing it: python3 fuzz/make_corpus.py. It rewrites only the files it
makes, so regression inputs that the fuzzers once found and that were added by hand stay.

The configuration files are built here from the file layout alone, not with the program's
encoder, so that the seeds are independent of the code under test. All GBK text is written
as its bytes (computed with iconv), with the readable text beside it.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")

ZHE_GE_DONG_XI = b"\xD5\xE2\xB8\xF6\xB6\xAB\xCE\xF7"  # zhe ge dong xi (this thing)
BU_YAO_DONG = b"\xB2\xBB\xD2\xAA\xB6\xAF"  # bu yao dong (do not touch)
SECTION = b"asfasf" + ZHE_GE_DONG_XI + b"\xC7\xA7\xCD\xF2" + BU_YAO_DONG + b"125asfsa"  # ... qian wan ...
SENTENCE = ZHE_GE_DONG_XI + BU_YAO_DONG + b"qwerty147896541dfe"
KEY = ZHE_GE_DONG_XI + BU_YAO_DONG + b"\xB0\xA1" + b"qwerty147896541dfe"  # ... a ...
assert (len(SECTION), len(SENTENCE), len(KEY)) == (32, 32, 34)

TRUE = b"\xD5\xE6"  # zhen (true)
FALSE = b"\xBC\xD9"  # jia (false)
EXAMPLE = b"\xCA\xBE\xC0\xFD"  # shi li (example)

DEFAULT_TEXTS = [
    EXAMPLE + b"1",
    b";".join([EXAMPLE + b"2"] * 2),
    b";".join([EXAMPLE + b"3"] * 3),
    b";".join([EXAMPLE + b"4"] * 4),
    b"weapon 5;weapon 6;moveto 0 0 0;pose 58",
] + [b""] * 5
DEFAULT_KEYS = [b"0", b"0", b"1", b"1", b"2"] + [b"0"] * 5


def config(texts, keys, fields):
    return SECTION.join([SENTENCE.join(texts), KEY.join(keys), b"|".join(fields)])


def first_run():
    # A first run on a 1280-pixel screen: the badge at (1280 - 210, 43), on top, not draggable.
    return config(DEFAULT_TEXTS, DEFAULT_KEYS, [b"1070", b"43", FALSE, TRUE])


def config_files():
    base = first_run()
    assert len(base) == 775
    gbk_texts = [
        b"\xB4\xF3\xBC\xD2\xBA\xC3",  # da jia hao (hello everybody)
        b"\xC4\xE3\xBA\xC3;\xD4\xD9\xBC\xFB",  # ni hao;zai jian (hello;goodbye)
        b"\x81\x5C\x81\x7C",  # two characters whose second bytes are '\' and '|'
        b"a\xA3\xBBb",  # a, full-width semicolon, b: one line, not two
        b"\xC1\xF7\xD0\xC7 " + EXAMPLE,  # liu xing (meteor), a space, shi li
        b"pose 58;\xB1\xED\xC4\xDC",  # a command and biao neng (a two-byte text)
        b";",
        b";;",
        b" x ",
        b"\xB0;A",  # 0x3B after a lead byte is no line break
    ]
    files = {
        "first_run.cfg": base,
        "gbk_sentences.cfg": config(gbk_texts, [b"0", b"1", b"2", b"0", b"1", b"2", b"0", b"1", b"2", b"-1"],
                                    [b"-5", b"-7", TRUE, TRUE]),
        "all_empty.cfg": config([b""] * 10, [b"0"] * 10, [b"0", b"0", TRUE, FALSE]),
        "slot10_empty.cfg": config([b"s%d" % i for i in range(1, 10)] + [b""], [b"0"] * 10,
                                   [b"1", b"2", FALSE, FALSE]),
        "slots9_10_empty.cfg": config([b"s%d" % i for i in range(1, 9)] + [b"", b""], [b"1"] * 10,
                                      [b"1", b"2", FALSE, FALSE]),
        "eleven_sentences.cfg": config([b"s%d" % i for i in range(1, 12)], [b"0"] * 10,
                                       [b"100", b"200", FALSE, TRUE]),
        "eleven_keys.cfg": config(DEFAULT_TEXTS, [b"0"] * 11, [b"100", b"200", FALSE, TRUE]),
        "odd_keys.cfg": config(DEFAULT_TEXTS, [
            b"7", b"-5", b"abc", b" 1", b"+1",
            b"\xA3\xB1",  # full-width 1
            b"4294967396",  # 2^32 + 100
            b"-2147483648",
            b"",
            b"\xA1\xA1\xA3\xAD\xA3\xB2",  # ideographic space, full-width minus and 2
        ], [b"1070", b"43", FALSE, TRUE]),
        "window_extra_fields.cfg": config(DEFAULT_TEXTS, DEFAULT_KEYS, [b"100", b"200", FALSE, FALSE, b"extra"]),
        "window_other_flag_text.cfg": config(DEFAULT_TEXTS, DEFAULT_KEYS, [b"100", b"200", b"x", FALSE]),
        "window_full_width.cfg": config(DEFAULT_TEXTS, DEFAULT_KEYS, [
            b"\xA3\xAD\xA3\xB1\xA3\xB2",  # full-width -12
            b"\xA1\xA1\xA3\xAB\xA3\xB3\xA3\xB4",  # ideographic space, full-width +34
            TRUE, FALSE]),
        "window_wraps.cfg": config(DEFAULT_TEXTS, DEFAULT_KEYS, [b"4294967396", b"-4294967297", b"", b"0"]),
        "window_bar_trail_byte.cfg": config(DEFAULT_TEXTS, DEFAULT_KEYS, [b"1070", b"43", b"\x81\x7C", TRUE]),
        "starts_with_section_separator.cfg": config([b""], DEFAULT_KEYS, [b"1", b"2", TRUE, TRUE]),
        "four_sections.cfg": base + SECTION + b"more",
        "hello.cfg": b"hello",
        "empty.cfg": b"",
        "ends_in_lead_byte.cfg": base[:-1],
        "truncated_in_first_separator.cfg": base[:len(DEFAULT_TEXTS[0]) + 10],
        "truncated_after_first_section.cfg": base[:base.index(SECTION) + len(SECTION)],
        "truncated_in_keys.cfg": base[:base.index(SECTION) + len(SECTION) + 40],
        "truncated_in_second_separator.cfg": base[:base.rindex(SECTION) + 20],
        "truncated_before_last_field.cfg": base[:base.rindex(b"|")],
    }
    return files


def split_text_inputs():
    # First byte: the delimiter's length; then the delimiter; then the text.
    def case(delimiter, text):
        return bytes([len(delimiter)]) + delimiter + text

    return {
        "inner_empty": case(b";", b"a;;b"),
        "leading_empty": case(b";", b";a"),
        "trailing_dropped": case(b";", b"a;"),
        "lone_delimiter": case(b";", b";"),
        "two_delimiters": case(b";", b";;"),
        "semicolon_after_lead_byte": case(b";", b"\xB0;A"),
        "trailing_lone_lead_byte": case(b";", b"a;b\xB0"),
        "overlapping": case(b"aa", b"aaa"),
        "text_shorter": case(b"abc", b"ab"),
        "two_byte_delimiter": case(TRUE, b"\xB0" + TRUE + b"z" + TRUE + b"y"),  # zhen
        "lead_byte_delimiter": case(b"\xB0", b"\xB0\xB0A"),
        "sections_of_first_run": case(SECTION, first_run()),
        "sentences_of_first_run": case(SENTENCE, first_run().split(SECTION)[0]),
        "keys_of_first_run": case(KEY, first_run().split(SECTION)[1]),
    }


def parse_int_inputs():
    # The fuzzer takes two numbers from the last 8 bytes and parses the bytes before them.
    tail = struct.pack("<iI", -123456, 7)
    texts = {
        "plain": b"123",
        "negative": b" -45",
        "plus": b"+7",
        "full_width": b"\xA3\xAD\xA3\xB1\xA3\xB2",  # full-width -12
        "ideographic_space": b"\xA1\xA1 9",
        "wraps": b"4294967396",
        "int_min": b"-2147483648",
        "past_int_max": b"2147483648",
        "long": b"99999999999999999999999",
        "letters": b"abc",
        "all_blanks": b"\t\n\v\f\r 8",
        "two_signs": b"--1",
        "sign_only": b"-",
        "digits_then_text": b"12ab34",
        "lone_lead_byte": b"12\xA3",
    }
    return {name: text + tail for name, text in texts.items()}


def round_trip_inputs():
    # FuzzedDataProvider strings: a backslash followed by any other byte ends a string.
    def strings(*texts):
        return b"".join(t.replace(b"\\", b"\\\\") + b"\\ " for t in texts)

    ints = struct.pack("<" + "i" * 12, 0, 1, 2, -1, 0, 1, 2, 0, 1, 2, 1070, 43) + b"\x01\x00"
    return {
        "defaults": strings(*DEFAULT_TEXTS) + ints,
        "gbk": strings(b"\xB4\xF3\xBC\xD2\xBA\xC3", b"\x81\x5C\x81\x7C", b"a\xA3\xBBb", b"", b"x") + ints,
        "empty": b"",
    }


def write(folder, files):
    path = os.path.join(CORPUS, folder)
    os.makedirs(path, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)


def main():
    write("config", config_files())
    write("split_text", split_text_inputs())
    write("parse_int", parse_int_inputs())
    write("config_round_trip", round_trip_inputs())


if __name__ == "__main__":
    main()
