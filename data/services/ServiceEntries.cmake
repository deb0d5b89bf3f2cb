# The fourteen entries the file-manager menus offer, as
# "<file stem>|<menu title>|<user data>|<icon>". The user data is what
# `ferrolet --service` is given and must stay exactly as it is; the titles are
# what the menus show.
set(FERROLET_SERVICE_ENTRIES
    "move-to-documents|Move to Documents|Move to Documents|folder-documents"
    "move-to-home|Move to Home|Move to Home|user-home"
    "move-to-pictures|Move to Pictures|Move to Pictures|folder-pictures"
    "move-to-movies|Move to Videos|Move to Movies|folder-videos"
    "move-to-music|Move to Music|Move to Music|folder-music"
    "move-to-sites|Move to Sites|Move to Sites|folder-remote"
    "move-to-public|Move to Public|Move to Public|folder-publicshare"
    "move-to-desktop|Move to Desktop|Move to Desktop|user-desktop"
    "move-to-desktop-pictures|Move to Wallpapers|Move to Desktop Pictures|preferences-desktop-wallpaper"
    "move-to-select|Move to…|Move to Select|folder"
    "copy-to-select|Copy to…|Copy to Select|edit-copy"
    "compress-to-select|Compress to…|Compress to Select|package-x-generic"
    "alias-to-select|Make Alias in…|Alias to Select|emblem-symbolic-link"
    "hard-link-to-select|Make Hard Link in…|Hard Link to Select|insert-link"
)
