// A save slot as the player carries it between the browser and the disk.
// A slot is four files, the same as the desktop game's; on the disk it is
// either those four files or one archive that holds them (a plain ZIP file
// the page packs itself, which any unzip tool opens). DelverSlots checks a
// choice of files before anything is written: exactly the four files of one
// slot, each of its fixed size, or one archive that unpacks to exactly them.
'use strict';

window.DelverSlots = (function () {
  const PARTS = ['mainmap', 'flagmap', 'unit', 'variables'];
  // The sizes of a slot's files: the world and marker grids, the unit
  // table, the eight game variables.
  const SIZES = { mainmap: 11796480, flagmap: 11796480, unit: 2112000, variables: 32 };
  const NAME = /^SAVEGAME([12])\.(mainmap|flagmap|unit|variables)$/;

  const fileName = (slot, part) => 'SAVEGAME' + slot + '.' + part;
  const archiveName = (slot) => 'delver-slot' + slot + '.zip';

  // --- CRC-32, as ZIP files check their entries ------------------------------
  const CRC_TABLE = new Uint32Array(256);
  for (let n = 0; n < 256; ++n) {
    let c = n;
    for (let k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
    CRC_TABLE[n] = c >>> 0;
  }
  function crc32(bytes) {
    let c = 0xFFFFFFFF;
    for (let i = 0; i < bytes.length; ++i) c = CRC_TABLE[(c ^ bytes[i]) & 0xFF] ^ (c >>> 8);
    return (c ^ 0xFFFFFFFF) >>> 0;
  }

  async function throughStream(bytes, stream) {
    const out = new Response(new Blob([bytes]).stream().pipeThrough(stream));
    return new Uint8Array(await out.arrayBuffer());
  }
  const canDeflate = () => typeof CompressionStream === 'function';
  const canInflate = () => typeof DecompressionStream === 'function';

  // --- packing ---------------------------------------------------------------
  // files: [{name, bytes}] -> one ZIP file's bytes. Entries are deflated
  // where the browser can (the grids are mostly empty), else stored.
  async function packArchive(files) {
    const now = new Date();
    const dosTime = (now.getHours() << 11) | (now.getMinutes() << 5) | (now.getSeconds() >> 1);
    const dosDate = ((now.getFullYear() - 1980) << 9) | ((now.getMonth() + 1) << 5) | now.getDate();
    const chunks = [], central = [];
    let offset = 0;
    for (const f of files) {
      const name = new TextEncoder().encode(f.name);
      const crc = crc32(f.bytes);
      let method = 0, data = f.bytes;
      if (canDeflate()) {
        try {
          data = await throughStream(f.bytes, new CompressionStream('deflate-raw'));
          method = 8;
        } catch (e) {
          data = f.bytes;
        }
      }
      const header = (signature, centralEntry) => {
        const b = new DataView(new ArrayBuffer(centralEntry ? 46 : 30));
        let p = 0;
        const u16 = (v) => { b.setUint16(p, v, true); p += 2; };
        const u32 = (v) => { b.setUint32(p, v, true); p += 4; };
        u32(signature);
        if (centralEntry) u16(20);  // made by: plain ZIP 2.0
        u16(20); u16(0); u16(method); u16(dosTime); u16(dosDate);
        u32(crc); u32(data.length); u32(f.bytes.length); u16(name.length); u16(0);
        if (centralEntry) { u16(0); u16(0); u16(0); u32(0); u32(offset); }
        return new Uint8Array(b.buffer);
      };
      central.push(header(0x02014b50, true), name);
      const local = header(0x04034b50, false);
      chunks.push(local, name, data);
      offset += local.length + name.length + data.length;
    }
    const centralSize = central.reduce((n, c) => n + c.length, 0);
    const end = new DataView(new ArrayBuffer(22));
    end.setUint32(0, 0x06054b50, true);
    end.setUint16(8, files.length, true);
    end.setUint16(10, files.length, true);
    end.setUint32(12, centralSize, true);
    end.setUint32(16, offset, true);
    return new Blob([...chunks, ...central, new Uint8Array(end.buffer)]);
  }

  // --- unpacking ---------------------------------------------------------------
  // A ZIP file's bytes -> [{name, bytes}], each entry checked against its
  // CRC; throws with a reason a player can act on.
  async function unpackArchive(bytes) {
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    let end = -1;
    for (let p = bytes.length - 22; p >= Math.max(0, bytes.length - 22 - 65535); --p)
      if (view.getUint32(p, true) === 0x06054b50) { end = p; break; }
    if (end < 0) throw new Error('it is not a ZIP archive');
    const count = view.getUint16(end + 10, true);
    let p = view.getUint32(end + 16, true);
    const entries = [];
    for (let i = 0; i < count; ++i) {
      if (p + 46 > bytes.length || view.getUint32(p, true) !== 0x02014b50) throw new Error('its table of contents is damaged');
      const method = view.getUint16(p + 10, true), crc = view.getUint32(p + 16, true);
      const packed = view.getUint32(p + 20, true), size = view.getUint32(p + 24, true);
      const nameLength = view.getUint16(p + 28, true), extra = view.getUint16(p + 30, true);
      const comment = view.getUint16(p + 32, true), local = view.getUint32(p + 42, true);
      const fullName = new TextDecoder().decode(bytes.subarray(p + 46, p + 46 + nameLength));
      p += 46 + nameLength + extra + comment;
      if (fullName.endsWith('/')) continue;  // a folder
      // A slot archive made elsewhere may keep its files in a folder.
      const name = fullName.slice(fullName.lastIndexOf('/') + 1);
      entries.push({ name, method, crc, packed, size, local });
    }
    const files = [];
    for (const e of entries) {
      if (!NAME.test(e.name)) { files.push({ name: e.name, size: e.size }); continue; }
      if (e.local + 30 > bytes.length || view.getUint32(e.local, true) !== 0x04034b50) throw new Error(e.name + ' in it is damaged');
      const start = e.local + 30 + view.getUint16(e.local + 26, true) + view.getUint16(e.local + 28, true);
      if (start + e.packed > bytes.length) throw new Error(e.name + ' in it is cut short');
      let data = bytes.subarray(start, start + e.packed);
      if (e.method === 8 && canInflate()) data = await throughStream(data, new DecompressionStream('deflate-raw')).catch(() => null);
      else if (e.method !== 0) throw new Error(e.name + ' in it is packed in a way this browser cannot unpack');
      if (!data || data.length !== e.size || crc32(data) !== e.crc) throw new Error(e.name + ' in it is damaged');
      files.push({ name: e.name, size: data.length, bytes: data });
    }
    return files;
  }

  // --- the check ----------------------------------------------------------------
  // [{name, size}] -> the slot number when they are exactly the four files
  // of one slot, each of its size; else throws the reason.
  function slotOf(files) {
    const wanted = 'the four files of one slot (SAVEGAME1.mainmap, .flagmap, .unit and .variables)';
    if (files.length !== 4) throw new Error(files.length + (files.length === 1 ? ' file is' : ' files are') + ' not ' + wanted);
    let slot = 0;
    const seen = new Set();
    for (const f of files) {
      const m = NAME.exec(f.name);
      if (!m) throw new Error(f.name + ' is not a save slot file; choose ' + wanted);
      if (slot && +m[1] !== slot) throw new Error('the files are of two slots; choose ' + wanted);
      slot = +m[1];
      if (seen.has(m[2])) throw new Error(f.name + ' is there twice');
      seen.add(m[2]);
      if (f.size !== SIZES[m[2]])
        throw new Error(f.name + ' has ' + f.size + ' bytes, not the ' + SIZES[m[2]] + ' of a whole slot file');
    }
    return slot;
  }

  // Files the player chose -> {slot, files: [{name, bytes}] in slot-file
  // order}, or throws the reason. One file is read as a slot archive.
  async function readChoice(chosen) {
    let files;
    if (chosen.length === 1 && !NAME.test(chosen[0].name)) {
      const bytes = new Uint8Array(await chosen[0].arrayBuffer());
      try {
        files = await unpackArchive(bytes);
      } catch (e) {
        throw new Error(chosen[0].name + ' is not a slot archive: ' + e.message);
      }
      try {
        slotOf(files);
      } catch (e) {
        throw new Error(chosen[0].name + ' does not hold a slot: ' + e.message);
      }
    } else {
      slotOf(chosen.map((f) => ({ name: f.name, size: f.size })));
      files = [];
      for (const f of chosen) files.push({ name: f.name, size: f.size, bytes: new Uint8Array(await f.arrayBuffer()) });
      // The size was the file's when chosen; check what was read.
      slotOf(files.map((f) => ({ name: f.name, size: f.bytes.length })));
    }
    const slot = slotOf(files);
    const ordered = PARTS.map((part) => files.find((f) => f.name === fileName(slot, part)));
    return { slot, files: ordered };
  }

  return { PARTS, SIZES, fileName, archiveName, crc32, packArchive, unpackArchive, slotOf, readChoice };
})();
