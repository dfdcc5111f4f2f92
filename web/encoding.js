// Windows-1251 both ways. The browser decodes what the program writes, and a
// line typed is encoded with the decoder's own table, so that what is sent is
// what the page shows. Every character with a byte is one UTF-16 unit, so the
// table is indexed by unit; -1 is no byte. A NUL has no byte here: the program
// would end the line at it.
export const decoder = new TextDecoder('windows-1251');

const byteOf = new Int16Array(65536).fill(-1);
for (let b = 255; b > 0; b--) {
  const character = decoder.decode(Uint8Array.of(b));
  if (character != '\uFFFD') byteOf[character.charCodeAt(0)] = b;
}

// The line (in NFC, so that a letter typed as a letter and a combining mark is
// the letter) as {text, bytes} with its line feed, or the first character that
// has no byte, as a string (an emoji whole).
export function encode(line) {
  const text = line.normalize('NFC');
  const bytes = new Uint8Array(text.length + 1);
  for (let i = 0; i < text.length; i++) {
    const byte = byteOf[text.charCodeAt(i)];
    if (byte < 0) return String.fromCodePoint(text.codePointAt(i));
    bytes[i] = byte;
  }
  bytes[text.length] = 10;
  return {text, bytes};
}

export function refusal(character) {
  const code = character.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
  return 'Строка не отправлена: символа «' + character + '» (U+' + code + ') нет в кодировке Windows-1251.';
}
