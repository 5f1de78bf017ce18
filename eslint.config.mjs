// The lint of the player's page and of its tests. The page's scripts are classic scripts that a
// browser runs one after another in one window: each declares what it takes from another
// (`/* global ... */`) and what it gives (`/* exported ... */`), so that no-undef and
// no-unused-vars see every name cross between them.
import js from "@eslint/js";
import globals from "globals";

export default [
  js.configs.recommended,
  {
    files: ["stubs/site/page/*.js"],
    languageOptions: { ecmaVersion: 2022, sourceType: "script", globals: globals.browser },
  },
  {
    files: ["**/*.mjs"],
    languageOptions: { ecmaVersion: 2022, sourceType: "module", globals: globals.node },
  },
  {
    rules: {
      "no-undef": "error",
      "no-unused-vars": ["error", { vars: "all", args: "after-used" }],
      "no-implicit-globals": "error",
      "no-shadow": "error",
      eqeqeq: "error",
      "prefer-const": "error",
      "no-var": "error",
    },
  },
];
