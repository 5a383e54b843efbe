'use strict';
// Run by npm before it packs the package: the tarball carries the project's licence, and the
// libraries under prebuilds/ without their symbols and debug information (a RelWithDebInfo
// build's come to ten times the code). Stripped in place: prebuilds/ holds copies for packing.
const {execFileSync} = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');

const license = path.join(__dirname, 'LICENSE');
const projectLicense = path.join(__dirname, '..', '..', 'LICENSE');
if (fs.existsSync(projectLicense)) fs.copyFileSync(projectLicense, license);
if (!fs.existsSync(license)) throw new Error(`no licence to pack: ${projectLicense} is missing`);

function magic(file) {
  const fd = fs.openSync(file, 'r');
  try {
    const bytes = Buffer.alloc(4);
    fs.readSync(fd, bytes, 0, 4, 0);
    return bytes.readUInt32BE(0);
  } finally {
    fs.closeSync(fd);
  }
}

const elf = 0x7f454c46;
const machO = [0xfeedfacf, 0xcffaedfe, 0xcafebabe];
const prebuilds = path.join(__dirname, 'prebuilds');
const folders = fs.existsSync(prebuilds) ? fs.readdirSync(prebuilds) : [];
for (const file of folders.flatMap((folder) =>
  fs.readdirSync(path.join(prebuilds, folder)).map((name) => path.join(prebuilds, folder, name)))) {
  const kind = magic(file);
  if (kind === elf && process.platform !== 'darwin') {
    execFileSync('strip', ['--strip-unneeded', file]);
  } else if (machO.includes(kind) && process.platform === 'darwin') {
    execFileSync('strip', ['-x', file]);
  } else if (kind === elf || machO.includes(kind)) {
    throw new Error(`${file}: pack on the library's own platform, where strip can read it`);
  }
}
