// Reads every QR, Micro QR and rMQR symbol in each picture named on the command line with
// zxing-cpp 2 (the zxing-wasm package in the folder $QUORLIK_TEST_READERS), offline, and prints
// one line per symbol: "FILE FORMAT VERSION LEVEL HEX-BYTES", or "FILE none".
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const modules = join(process.env.QUORLIK_TEST_READERS ?? "", "node_modules");
const require = createRequire(join(modules, "index.js"));
const reader = await import(pathToFileURL(require.resolve("zxing-wasm/reader")).href);
const wasm = readFileSync(require.resolve("zxing-wasm/reader/zxing_reader.wasm"));
reader.prepareZXingModule({ overrides: { wasmBinary: wasm }, fireImmediately: true });

for (const file of process.argv.slice(2)) {
  const results = await reader.readBarcodes(new Uint8Array(readFileSync(file)), {
    formats: ["QRCode", "MicroQRCode", "rMQRCode"],
    tryHarder: true,
  });
  if (results.length === 0) console.log(`${file} none`);
  for (const r of results)
    console.log(`${file} ${r.format} ${r.version} ${r.ecLevel} ${Buffer.from(r.bytes).toString("hex")}`);
}
