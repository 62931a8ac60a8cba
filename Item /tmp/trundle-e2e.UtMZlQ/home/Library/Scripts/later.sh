<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>PreferencesGlobals</key>
	<dict>
		<key>PreferencesDebugLoggingSettingKey</key>
		<true/>
		<key>PreferencesExpandedFileSystemItemsPathsSettingKey</key>
		<array>
			<string>/tmp/trundle-e2e.UtMZlQ/home/Library/Scripts</string>
		</array>
		<key>PreferencesShortcutsAndScriptPathsSettingKey</key>
		<dict>
			<key>10</key>
			<string>/tmp/trundle-e2e.UtMZlQ/home/Library/Scripts/later.sh</string>
		</dict>
	</dict>
</dict>
</plist>
