<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>SL</title>
<style>
body { margin: 0; padding: 0; background: #ffffff; color: #202124; font-family: "dejavu sans", "liberation sans", arial, sans-serif; font-size: 13px; }
.envelope { border-collapse: collapse; width: 100%; background: #f3f5f8; border-bottom: 1px solid #d5dae1; }
.key, .value { padding: 4px 12px; vertical-align: top; text-align: left; }
.key { width: 1%; white-space: nowrap; color: #5f6670; font-weight: normal; }
.value { word-break: break-word; }
.subject .value { font-size: 15px; font-weight: bold; padding-bottom: 10px; }
.message { padding: 12px; line-height: 1.45; overflow-wrap: anywhere; }
.message img { max-width: 100%; height: auto; }
</style>
</head>
<body>
<table class="envelope">
<tr><th class="key">From:</th><td class="value">FN&lt;FEML&gt;</td></tr>
<tr><th class="key">Reply-To:</th><td class="value">RT&lt;REML&gt;</td></tr>
<tr><th class="key">Date:</th><td class="value">DT</td></tr>
<tr class="subject"><th class="key">Subject:</th><td class="value">SL</td></tr>
</table>
<div class="message">
DESC
</div>
</body>
</html>
