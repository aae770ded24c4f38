<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>SL</title>
<style>
.envelope { border-collapse: collapse; width: 100%; background: #f3f5f8; border-bottom: 1px solid #d5dae1; }
.key, .value { padding: 4px 12px; vertical-align: top; text-align: left; background-color: #f3f5f8; }
.key { width: 1%; white-space: nowrap; color: #5f6670; font-weight: normal; }
.value { word-break: break-word; }
.subject .value { font-size: 15px; font-weight: bold; padding-bottom: 10px; }
.subject .key, .subject .value { border-bottom: 1px solid #d5dae1; }
.message { margin: 12px; line-height: 1.45; overflow-wrap: anywhere; }
.message [src] { max-width: 100%; height: auto; }
[href] { color: #1a5fb4; }
</style>
</head>
<body style='margin: 0; padding: 0; background: #ffffff; color: #202124; font-family: "dejavu sans", "liberation sans", arial, sans-serif; font-size: 13px;'>
<table class="envelope" width="100%" cellspacing="0">
<tr><th class="key" width="1%">From:</th><td class="value">FN&lt;FEML&gt;</td></tr>
<tr><th class="key" width="1%">Reply-To:</th><td class="value">RT&lt;REML&gt;</td></tr>
<tr><th class="key" width="1%">Date:</th><td class="value">DT</td></tr>
<tr class="subject"><th class="key" width="1%">Subject:</th><td class="value">SL</td></tr>
</table>
<div class="message">
DESC
</div>
</body>
</html>
