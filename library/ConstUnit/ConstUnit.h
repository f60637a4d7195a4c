#pragma once

#include <string_view>

// Character classes of the text utilities, each a string listing the class's characters.
// A character belongs to a class when it equals one of the string's code units.

inline constexpr std::u16string_view HiraganaChars =
    u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわゐゑ"
    u"をんがぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉゃゅょゎっ";
inline constexpr std::u16string_view KatakanaChars =
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワンヲ"
    u"ガギグゲゴザジズゼゾダヂヅデドバビブベボパピプペポァィゥェォャュョヮッー";
inline constexpr std::u16string_view HalfWidthKatakanaChars =
    u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝｧｨｩｪｫｬｭｮｯﾟｰ･､｡｢｣";
// U+FF11..U+FF19, then U+FF10.
inline constexpr std::u16string_view FullWidthDigitChars = u"１２３４５６７８９０";
// '1'..'9', then '0'.
inline constexpr std::u16string_view DigitChars = u"1234567890";
// Full-width A..Z, then a..z.
inline constexpr std::u16string_view FullWidthLetterChars =
    u"ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔ"
    u"ｕｖｗｘｙｚ";
inline constexpr std::u16string_view LetterChars =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr std::u16string_view FullWidthSymbolChars =
    u"－．＆％＄＃＊＠？／，＜＞（）｛｝｜；：～＋｀！＇＝＿＾・";
// Every printable ASCII character that is neither a letter, a digit nor the space.
inline constexpr std::u16string_view SymbolChars = u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
// U+3000, the ideographic space.
inline constexpr std::u16string_view FullWidthSpaceChars = u"\u3000";
inline constexpr std::u16string_view SpaceChars = u" ";
// U+0001..U+001F (TAB, LF and CR included; U+0000 and U+007F are not).
inline constexpr std::u16string_view ControlChars =
    u"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11\x12\x13\x14\x15\x16\x17"
    u"\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F";
