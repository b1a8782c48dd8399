<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ADDFriendInfo</name>
    <message>
        <source>女</source>
        <translation>Female</translation>
    </message>
    <message>
        <source>男</source>
        <translation>Male</translation>
    </message>
</context>
<context>
    <name>CChatHistoryList</name>
    <message>
        <source>聊天消息</source>
        <translation>Chat messages</translation>
    </message>
    <message>
        <source>%1 %2：%3</source>
        <translation>%1 %2: %3</translation>
    </message>
</context>
<context>
    <name>CChatItem</name>
    <message>
        <source>发送失败，点击重新发送</source>
        <translation>Not sent. Click to send again</translation>
    </message>
    <message>
        <source>连接中断，服务器未确认收到，消息将在连接恢复后重新发送</source>
        <translation>Connection lost before the server confirmed this message. It will be sent again when the connection is back</translation>
    </message>
    <message>
        <source>网络已断开，消息将在连接恢复后自动发送</source>
        <translation>Offline. The message will be sent when the connection is back</translation>
    </message>
    <message>
        <source>正在发送，等待服务器确认收到</source>
        <translation>Sending, waiting for the server to confirm</translation>
    </message>
</context>
<context>
    <name>CChatRecord</name>
    <message>
        <source>消息记录</source>
        <translation>Message history</translation>
    </message>
    <message>
        <source>%1 %2：%3</source>
        <translation>%1 %2: %3</translation>
    </message>
</context>
<context>
    <name>CFriendInfoWnd</name>
    <message>
        <source>接受</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>拒绝</source>
        <translation>Reject</translation>
    </message>
    <message>
        <source>请求添加你为好友</source>
        <translation>Wants to add you as a friend</translation>
    </message>
    <message>
        <source>网络连接已断开，请稍后再试</source>
        <translation>The network connection is lost. Please try again later.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CHeadItem</name>
    <message>
        <source>头像 %1</source>
        <translation>Picture %1</translation>
    </message>
    <message>
        <source>已选择</source>
        <translation>Selected</translation>
    </message>
</context>
<context>
    <name>CKivFriendKeyPressLineEdit</name>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
</context>
<context>
    <name>CKivFriendSysSettingDlg</name>
    <message>
        <source>显示主窗口</source>
        <translation>Show main window</translation>
    </message>
    <message>
        <source>提取消息</source>
        <translation>Open messages</translation>
    </message>
    <message>
        <source>截取图片</source>
        <translation>Take screenshot</translation>
    </message>
    <message>
        <source>隐藏好友列表</source>
        <translation>Hide friend list</translation>
    </message>
    <message>
        <source>默认设备</source>
        <translation>Default device</translation>
    </message>
    <message>
        <source>%1（未连接）</source>
        <translation>%1 (not connected)</translation>
    </message>
    <message>
        <source>好友上线提示音</source>
        <translation>Sound when a friend comes online</translation>
    </message>
    <message>
        <source>聊天消息提示音</source>
        <translation>Sound for chat messages</translation>
    </message>
    <message>
        <source>系统消息提示音</source>
        <translation>Sound for system messages</translation>
    </message>
    <message>
        <source>窗口消息提示音</source>
        <translation>Sound for window messages</translation>
    </message>
    <message>
        <source>不使用代理</source>
        <translation>No proxy</translation>
    </message>
    <message>
        <source>HTTP代理</source>
        <translation>HTTP proxy</translation>
    </message>
    <message>
        <source>SOCKS5代理</source>
        <translation>SOCKS5 proxy</translation>
    </message>
    <message>
        <source>使用浏览器设置</source>
        <translation>Use browser settings</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>常规设置</source>
        <translation>General</translation>
    </message>
    <message>
        <source>热键设置</source>
        <translation>Hot Keys</translation>
    </message>
    <message>
        <source>声音设置</source>
        <translation>Sounds</translation>
    </message>
    <message>
        <source>历史记录</source>
        <translation>History</translation>
    </message>
    <message>
        <source>网络连接</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>软件更新</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>应用</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>登录</source>
        <translation>Sign-in</translation>
    </message>
    <message>
        <source>开机时自动启动</source>
        <translation>Start when I log in to the computer</translation>
    </message>
    <message>
        <source>启动后自动登录</source>
        <translation>Sign in automatically after start</translation>
    </message>
    <message>
        <source>关闭主面板时</source>
        <translation>When closing the main window</translation>
    </message>
    <message>
        <source>隐藏到任务栏通知区域，不退出程序</source>
        <translation>Hide to the notification area, keep running</translation>
    </message>
    <message>
        <source>退出程序</source>
        <translation>Quit the program</translation>
    </message>
    <message>
        <source>主面板</source>
        <translation>Main window</translation>
    </message>
    <message>
        <source>停靠在桌面边缘时自动隐藏</source>
        <translation>Auto-hide when docked at a screen edge</translation>
    </message>
    <message>
        <source>始终保持在其他窗口前端</source>
        <translation>Always on top of other windows</translation>
    </message>
    <message>
        <source>新消息桌面通知</source>
        <translation>Desktop notifications for new messages</translation>
    </message>
    <message>
        <source>界面语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>跟随系统</source>
        <translation>System default</translation>
    </message>
    <message>
        <source>重启客户端后生效</source>
        <translation>Applies after restart</translation>
    </message>
    <message>
        <source>全局热键</source>
        <translation>Global hot keys</translation>
    </message>
    <message>
        <source>在输入框中按下组合键即可设置，按退格键清除。</source>
        <translation>Press keys in a field. Backspace clears.</translation>
    </message>
    <message>
        <source>当前桌面会话不支持全局热键</source>
        <translation>This desktop has no global hot keys.</translation>
    </message>
    <message>
        <source>发送消息</source>
        <translation>Sending messages</translation>
    </message>
    <message>
        <source>按 Enter 键发送消息</source>
        <translation>Press Enter to send</translation>
    </message>
    <message>
        <source>按 Ctrl + Enter 键发送消息</source>
        <translation>Press Ctrl + Enter to send</translation>
    </message>
    <message>
        <source>声音提醒</source>
        <translation>Sound alerts</translation>
    </message>
    <message>
        <source>语音通话</source>
        <translation>Voice calls</translation>
    </message>
    <message>
        <source>回声消除</source>
        <translation>Echo cancellation</translation>
    </message>
    <message>
        <source>不戴耳机通话时，消除对方从扬声器传回的自己的声音</source>
        <translation>When calling without a headset, removes your own voice coming back from the speaker</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>仅允许加密通话</source>
        <translation>Allow encrypted calls only</translation>
    </message>
    <message>
        <source>对方的程序不能加密通话时，不接通并说明原因</source>
        <translation>When the other side&apos;s program cannot encrypt the call, it is not connected and the reason is shown</translation>
    </message>
    <message>
        <source>麦克风</source>
        <translation>Microphone</translation>
    </message>
    <message>
        <source>扬声器</source>
        <translation>Speaker</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>无法打开所选的声音设备</source>
        <translation>Cannot open the selected sound devices.</translation>
    </message>
    <message>
        <source>聊天记录保存位置</source>
        <translation>Chat history location</translation>
    </message>
    <message>
        <source>默认路径</source>
        <translation>Default folder</translation>
    </message>
    <message>
        <source>自定义路径</source>
        <translation>Custom folder</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>清理</source>
        <translation>Clean up</translation>
    </message>
    <message>
        <source>删除本账号保存在本机的全部聊天记录（好友请求保留）。</source>
        <translation>Deletes all of this account&apos;s chat history on this computer (friend requests are kept).</translation>
    </message>
    <message>
        <source>清理历史记录</source>
        <translation>Clear History</translation>
    </message>
    <message>
        <source>代理设置</source>
        <translation>Proxy</translation>
    </message>
    <message>
        <source>类型：</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>地址：</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>用户名：</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>密码：</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>断线</source>
        <translation>Connection lost</translation>
    </message>
    <message>
        <source>断线后自动重新连接</source>
        <translation>Reconnect automatically</translation>
    </message>
    <message>
        <source>连接中断时保留主面板和聊天窗口，自动重新登录并发送未发出的消息</source>
        <translation>When the connection drops, keeps the main and chat windows open, signs in again and sends the unsent messages</translation>
    </message>
    <message>
        <source>网络检测</source>
        <translation>Network check</translation>
    </message>
    <message>
        <source>检测能否连接到消息服务器。</source>
        <translation>Checks whether the messaging server can be reached.</translation>
    </message>
    <message>
        <source>当前版本：%1</source>
        <translation>Current version: %1</translation>
    </message>
    <message>
        <source>每次登录时自动检查新版本，需要更新时会提示您。</source>
        <translation>A new version is looked for at every sign-in; you are told when an update is needed.</translation>
    </message>
    <message>
        <source>打开下载页面</source>
        <translation>Open Download Page</translation>
    </message>
    <message>
        <source>设置保存失败</source>
        <translation>The settings could not be saved.</translation>
    </message>
    <message>
        <source>界面语言设置保存失败</source>
        <translation>The interface language could not be saved.</translation>
    </message>
    <message>
        <source>开机自动启动设置失败</source>
        <translation>Starting at login could not be set up.</translation>
    </message>
    <message>
        <source>代理地址或端口无效，未使用代理</source>
        <translation>The proxy address or port is not valid; no proxy is used.</translation>
    </message>
    <message>
        <source>修改成功</source>
        <translation>Changes saved.</translation>
    </message>
    <message>
        <source>&quot;显示主窗口&quot;、&quot;提取消息&quot;快捷键与系统快捷键冲突</source>
        <translation>The &quot;Show main window&quot; and &quot;Open messages&quot; hot keys conflict with system shortcuts.</translation>
    </message>
    <message>
        <source>&quot;显示主窗口&quot;快捷键与系统快捷键冲突</source>
        <translation>The &quot;Show main window&quot; hot key conflicts with a system shortcut.</translation>
    </message>
    <message>
        <source>&quot;提取消息&quot;快捷键与系统快捷键冲突</source>
        <translation>The &quot;Open messages&quot; hot key conflicts with a system shortcut.</translation>
    </message>
    <message>
        <source>网络正常</source>
        <translation>The network is working.</translation>
    </message>
    <message>
        <source>网络不可用</source>
        <translation>The network is not available.</translation>
    </message>
    <message>
        <source>确定要删除本机保存的全部聊天记录吗？</source>
        <translation>Delete all chat history saved on this computer?</translation>
    </message>
    <message>
        <source>清理历史记录失败</source>
        <translation>The history could not be cleared.</translation>
    </message>
    <message>
        <source>清理历史记录完成！共删除 %1 条消息。</source>
        <translation>History cleared. %1 messages were deleted.</translation>
    </message>
    <message>
        <source>选择文件夹</source>
        <translation>Choose Folder</translation>
    </message>
</context>
<context>
    <name>CKivIMChatDlg</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>输入消息</source>
        <translation>Type a message</translation>
    </message>
    <message>
        <source>表情</source>
        <translation>Faces</translation>
    </message>
    <message>
        <source>礼物</source>
        <translation>Gifts</translation>
    </message>
    <message>
        <source>字体</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>截图</source>
        <translation>Screenshot</translation>
    </message>
    <message>
        <source>发送图片或文件</source>
        <translation>Send a picture or file</translation>
    </message>
    <message>
        <source>视频通话</source>
        <translation>Video call</translation>
    </message>
    <message>
        <source>消息记录</source>
        <translation>Message history</translation>
    </message>
    <message>
        <source>字号</source>
        <translation>Font size</translation>
    </message>
    <message>
        <source>粗体</source>
        <translation>Bold</translation>
    </message>
    <message>
        <source>斜体</source>
        <translation>Italic</translation>
    </message>
    <message>
        <source>下划线</source>
        <translation>Underline</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>发送快捷键</source>
        <translation>Send key</translation>
    </message>
    <message>
        <source>%1的资料</source>
        <translation>Profile of %1</translation>
    </message>
    <message>
        <source>消息过长</source>
        <translation>The message is too long</translation>
    </message>
    <message>
        <source>现在无法发送文件，请稍后再试</source>
        <translation>Files cannot be sent now. Please try again later</translation>
    </message>
    <message>
        <source>消息无法保存到本机（磁盘已满或无法写入），未发送，请稍后重试</source>
        <translation>The message could not be saved on this computer (the disk is full or not writable) and was not sent. Please try again later</translation>
    </message>
    <message>
        <source>按Enter键发送消息</source>
        <translation>Enter to send</translation>
    </message>
    <message>
        <source>按Ctrl+Enter键发送消息</source>
        <translation>Ctrl+Enter to send</translation>
    </message>
    <message>
        <source>网络已断开，无法发起视频通话，请稍后再试。</source>
        <translation>You are offline and cannot start a video call. Please try again later.</translation>
    </message>
    <message>
        <source>无法启动视频通话程序</source>
        <translation>The video call program could not be started</translation>
    </message>
</context>
<context>
    <name>CKivIMaddfriendDlg</name>
    <message>
        <source>添加好友</source>
        <translation>Add Friend</translation>
    </message>
    <message>
        <source>请输入验证信息：</source>
        <translation>Enter a message for the request:</translation>
    </message>
    <message>
        <source>我是…</source>
        <translation>I am…</translation>
    </message>
    <message>
        <source>验证信息</source>
        <translation>Request message</translation>
    </message>
    <message>
        <source>发送</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>性别:%1</source>
        <translation>%1</translation>
    </message>
    <message>
        <source>年龄:%1</source>
        <translation>Age: %1</translation>
    </message>
    <message>
        <source>验证消息过长</source>
        <translation>The request message is too long.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>网络连接已断开，请稍后再试</source>
        <translation>The network connection is lost. Please try again later.</translation>
    </message>
</context>
<context>
    <name>CKivIMaddfriendTipDlg</name>
    <message>
        <source>下面联系人请求添加你为好友</source>
        <translation>Friend Requests</translation>
    </message>
    <message>
        <source>没有等待处理的好友请求</source>
        <translation>No friend requests waiting.</translation>
    </message>
</context>
<context>
    <name>CKivIMfaceDlg</name>
    <message>
        <source>默认</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>礼物</source>
        <translation>Gifts</translation>
    </message>
    <message>
        <source>表情</source>
        <translation>Faces</translation>
    </message>
    <message>
        <source>%1元</source>
        <translation>¥%1</translation>
    </message>
</context>
<context>
    <name>CKivImChatRecordDlg</name>
    <message>
        <source>消息记录</source>
        <translation>Message History</translation>
    </message>
    <message>
        <source>第一页</source>
        <translation>First page</translation>
    </message>
    <message>
        <source>上一页</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>下一页</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>最后一页</source>
        <translation>Last page</translation>
    </message>
</context>
<context>
    <name>CallViewController</name>
    <message>
        <source>已加密  安全码 %1</source>
        <translation>Encrypted · safety code %1</translation>
    </message>
    <message>
        <source>未加密</source>
        <translation>Not encrypted</translation>
    </message>
    <message>
        <source>加密失败</source>
        <translation>Encryption failed</translation>
    </message>
    <message>
        <source>正在建立加密…</source>
        <translation>Encrypting…</translation>
    </message>
    <message>
        <source>无法为这次通话建立加密，通话已结束。</source>
        <translation>The call could not be encrypted and has ended.</translation>
    </message>
    <message>
        <source>对方的通话不能加密。您设置了仅允许加密通话，通话已结束。</source>
        <translation>The other side&apos;s call cannot be encrypted. You allow only encrypted calls, so the call has ended.</translation>
    </message>
</context>
<context>
    <name>CallViewWindow</name>
    <message>
        <source>视频通话</source>
        <translation>Video Call</translation>
    </message>
    <message>
        <source>对方画面</source>
        <translation>Other side&apos;s video</translation>
    </message>
    <message>
        <source>本地画面</source>
        <translation>Your video</translation>
    </message>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>挂断</source>
        <translation>Hang up</translation>
    </message>
    <message>
        <source>通话加密</source>
        <translation>Call encryption</translation>
    </message>
    <message>
        <source>正在视频通话...</source>
        <translation>Video call...</translation>
    </message>
</context>
<context>
    <name>ImMeaidCueDlg</name>
    <message>
        <source>%1
邀请您进行视频通话</source>
        <translation>%1
invites you to a video call</translation>
    </message>
    <message>
        <source>视频通话请求</source>
        <translation>Video Call Request</translation>
    </message>
    <message>
        <source>用户 %1</source>
        <translation>User %1</translation>
    </message>
    <message>
        <source>接受</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>拒绝</source>
        <translation>Decline</translation>
    </message>
    <message>
        <source>无法启动视频通话程序</source>
        <translation>The video call program could not be started.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>KivAddCheckFriendDlg</name>
    <message>
        <source>查找用户</source>
        <translation>Find User</translation>
    </message>
    <message>
        <source>输入账号或手机号</source>
        <translation>Account or phone number</translation>
    </message>
    <message>
        <source>账号或手机号</source>
        <translation>Account or phone number</translation>
    </message>
    <message>
        <source>查找</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>网络连接已断开，请稍后再试</source>
        <translation>The network connection is lost. Please try again later.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>没有该用户</source>
        <translation>No such user.</translation>
    </message>
    <message>
        <source>找到1联系人个人</source>
        <translation>1 user found</translation>
    </message>
</context>
<context>
    <name>KivAddFriendItem</name>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>添加%1为好友</source>
        <translation>Add %1 as a friend</translation>
    </message>
    <message>
        <source>不能添加自己为好友</source>
        <translation>You cannot add yourself as a friend.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>KivAttachmentCards</name>
    <message>
        <source>正在发送</source>
        <translation>Sending</translation>
    </message>
    <message>
        <source>发送失败：%1</source>
        <translation>Not sent: %1</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>重试</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>已发送</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Canceled</translation>
    </message>
    <message>
        <source>等待发送</source>
        <translation>Waiting to send</translation>
    </message>
    <message>
        <source>发送文件 %1</source>
        <translation>Sending file %1</translation>
    </message>
    <message>
        <source>收到文件 %1</source>
        <translation>Received file %1</translation>
    </message>
    <message>
        <source>正在接收图片…</source>
        <translation>Receiving picture…</translation>
    </message>
    <message>
        <source>接收</source>
        <translation>Receive</translation>
    </message>
    <message>
        <source>另存为</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>&#x3000;%1/秒&#x3000;剩余 %2 秒</source>
        <translation>&#x3000;%1/s&#x3000;%2 s left</translation>
    </message>
    <message>
        <source>正在接收</source>
        <translation>Receiving</translation>
    </message>
    <message>
        <source>已保存：%1</source>
        <translation>Saved: %1</translation>
    </message>
    <message>
        <source>打开文件夹</source>
        <translation>Open Folder</translation>
    </message>
    <message>
        <source>无法显示这张图片：%1</source>
        <translation>Cannot show this picture: %1</translation>
    </message>
    <message>
        <source>作为文件接收</source>
        <translation>Receive as File</translation>
    </message>
    <message>
        <source>接收失败：%1</source>
        <translation>Not received: %1</translation>
    </message>
    <message>
        <source>正在重试…</source>
        <translation>Retrying…</translation>
    </message>
    <message>
        <source>已暂停</source>
        <translation>Paused</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>正在接收…</source>
        <translation>Receiving…</translation>
    </message>
    <message>
        <source>保存到</source>
        <translation>Save To</translation>
    </message>
</context>
<context>
    <name>KivBirthday</name>
    <message>
        <source>白羊座</source>
        <translation>Aries</translation>
    </message>
    <message>
        <source>金牛座</source>
        <translation>Taurus</translation>
    </message>
    <message>
        <source>双子座</source>
        <translation>Gemini</translation>
    </message>
    <message>
        <source>巨蟹座</source>
        <translation>Cancer</translation>
    </message>
    <message>
        <source>狮子座</source>
        <translation>Leo</translation>
    </message>
    <message>
        <source>处女座</source>
        <translation>Virgo</translation>
    </message>
    <message>
        <source>天秤座</source>
        <translation>Libra</translation>
    </message>
    <message>
        <source>天蝎座</source>
        <translation>Scorpio</translation>
    </message>
    <message>
        <source>射手座</source>
        <translation>Sagittarius</translation>
    </message>
    <message>
        <source>魔羯座</source>
        <translation>Capricorn</translation>
    </message>
    <message>
        <source>水瓶座</source>
        <translation>Aquarius</translation>
    </message>
    <message>
        <source>双鱼座</source>
        <translation>Pisces</translation>
    </message>
    <message>
        <source>猴</source>
        <translation>Monkey</translation>
    </message>
    <message>
        <source>鸡</source>
        <translation>Rooster</translation>
    </message>
    <message>
        <source>狗</source>
        <translation>Dog</translation>
    </message>
    <message>
        <source>猪</source>
        <translation>Pig</translation>
    </message>
    <message>
        <source>鼠</source>
        <translation>Rat</translation>
    </message>
    <message>
        <source>牛</source>
        <translation>Ox</translation>
    </message>
    <message>
        <source>虎</source>
        <translation>Tiger</translation>
    </message>
    <message>
        <source>兔</source>
        <translation>Rabbit</translation>
    </message>
    <message>
        <source>龙</source>
        <translation>Dragon</translation>
    </message>
    <message>
        <source>蛇</source>
        <translation>Snake</translation>
    </message>
    <message>
        <source>马</source>
        <translation>Horse</translation>
    </message>
    <message>
        <source>羊</source>
        <translation>Goat</translation>
    </message>
</context>
<context>
    <name>KivChatAttachments</name>
    <message>
        <source>无法读取文件：%1</source>
        <translation>Cannot read the file: %1</translation>
    </message>
    <message>
        <source>文件太大，最大 4 GB：%1</source>
        <translation>The file is too large (4 GB at most): %1</translation>
    </message>
    <message>
        <source>选择要发送的图片或文件</source>
        <translation>Choose Pictures or Files to Send</translation>
    </message>
    <message>
        <source>截图失败：%1</source>
        <translation>Screenshot failed: %1</translation>
    </message>
</context>
<context>
    <name>KivChatSearchPanel</name>
    <message>
        <source>搜索聊天记录</source>
        <translation>Search messages</translation>
    </message>
    <message>
        <source>回车到下一条结果，Shift+回车到上一条，Esc 清除</source>
        <translation>Enter goes to the next result, Shift+Enter to the previous one, Esc clears</translation>
    </message>
    <message>
        <source>搜索结果</source>
        <translation>Search results</translation>
    </message>
    <message>
        <source>正在查找…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>没有找到相关的聊天记录</source>
        <translation>No messages found</translation>
    </message>
    <message>
        <source>找到 %1 条以上聊天记录，请输入更多文字缩小范围</source>
        <translation>Over %1 messages found; type more to narrow them down</translation>
    </message>
    <message numerus="yes">
        <source>找到 %n 条聊天记录</source>
        <translation>
            <numerusform>%n message found</numerusform>
            <numerusform>%n messages found</numerusform>
        </translation>
    </message>
    <message>
        <source>（正在建立搜索索引 %1%）</source>
        <translation> (indexing: %1%)</translation>
    </message>
</context>
<context>
    <name>KivChatText</name>
    <message>
        <source>【附件】%1（%2）</source>
        <translation>[Attachment] %1 (%2)</translation>
    </message>
    <message>
        <source>[图片] %1</source>
        <translation>[Picture] %1</translation>
    </message>
    <message>
        <source>[文件] %1</source>
        <translation>[File] %1</translation>
    </message>
</context>
<context>
    <name>KivChatThumbnail</name>
    <message>
        <source>无法打开图片文件</source>
        <translation>Cannot open the picture file</translation>
    </message>
    <message>
        <source>图片文件过大</source>
        <translation>The picture file is too large</translation>
    </message>
</context>
<context>
    <name>KivChatTimeText</name>
    <message>
        <source>yyyy-MM-dd</source>
        <extracomment>A date format (QDate::toString), e.g. &quot;MMM d, yyyy&quot;.</extracomment>
        <translation>MMM d, yyyy</translation>
    </message>
    <message>
        <source>HH:mm</source>
        <extracomment>A time format (QTime::toString), e.g. &quot;h:mm AP&quot;.</extracomment>
        <translation>h:mm AP</translation>
    </message>
    <message>
        <source>HH:mm:ss</source>
        <extracomment>A time format (QTime::toString), e.g. &quot;h:mm:ss AP&quot;.</extracomment>
        <translation>h:mm:ss AP</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <extracomment>A date and a clock time, as Day and ClockWithSeconds write them.</extracomment>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>昨天</source>
        <translation>Yesterday</translation>
    </message>
</context>
<context>
    <name>KivCheckCodeDlg</name>
    <message>
        <source>请输入手机号码</source>
        <translation>Mobile number</translation>
    </message>
    <message>
        <source>请输入手机验证码</source>
        <translation>SMS code</translation>
    </message>
    <message>
        <source>请输入密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>请再次输入密码</source>
        <translation>Password again</translation>
    </message>
    <message>
        <source>获取验证码</source>
        <translation>Get Code</translation>
    </message>
    <message>
        <source>手机号码</source>
        <translation>Mobile</translation>
    </message>
    <message>
        <source>验证码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>确认密码</source>
        <translation>Confirm</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>请输入密码！</source>
        <translation>Please enter a password.</translation>
    </message>
    <message numerus="yes">
        <source>密码不能超过%n个字符！</source>
        <translation>
            <numerusform>The password cannot be longer than %n character.</numerusform>
            <numerusform>The password cannot be longer than %n characters.</numerusform>
        </translation>
    </message>
    <message>
        <source>密码只能由字母、数字和符号组成！</source>
        <translation>The password may contain only letters, digits and symbols.</translation>
    </message>
    <message>
        <source>两次输入密码不匹配！</source>
        <translation>The two passwords do not match.</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>请检查您的网络连接!</source>
        <translation>Please check your network connection.</translation>
    </message>
    <message>
        <source>手机号码格式输入不正确！</source>
        <translation>The mobile number is not valid.</translation>
    </message>
    <message>
        <source>找回密码</source>
        <translation>Reset Password</translation>
    </message>
    <message>
        <source>注册</source>
        <translation>Sign Up</translation>
    </message>
</context>
<context>
    <name>KivDesktopNotifier</name>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>KivFileDownload</name>
    <message>
        <source>文件校验失败，已删除</source>
        <translation>The file failed its check and was deleted</translation>
    </message>
    <message>
        <source>服务器发来的数据多于文件声明的大小，已停止并删除</source>
        <translation>The server sent more data than the file&apos;s size; stopped and deleted</translation>
    </message>
    <message>
        <source>服务器发来的数据少于文件声明的大小，已删除</source>
        <translation>The server sent less data than the file&apos;s size; deleted</translation>
    </message>
    <message>
        <source>网络连接中断，可稍后继续下载</source>
        <translation>Connection lost. You can resume the download later</translation>
    </message>
    <message>
        <source>无法写入下载的文件，磁盘可能已满</source>
        <translation>Cannot write the downloaded file. The disk may be full</translation>
    </message>
    <message>
        <source>服务器 %1 秒没有发来数据，可稍后继续下载</source>
        <translation>The server sent nothing for %1 s. You can resume the download later</translation>
    </message>
    <message>
        <source>附件信息无效，无法下载</source>
        <translation>The attachment details are invalid; cannot download</translation>
    </message>
    <message>
        <source>文件超过自动下载的大小上限</source>
        <translation>The file is larger than automatic downloads allow</translation>
    </message>
    <message>
        <source>无法创建下载文件夹 %1</source>
        <translation>Cannot create the download folder %1</translation>
    </message>
    <message>
        <source>无法写入下载的文件 %1</source>
        <translation>Cannot write the downloaded file %1</translation>
    </message>
    <message>
        <source>无法读取已下载的部分</source>
        <translation>Cannot read the part already downloaded</translation>
    </message>
    <message>
        <source>文件服务器的地址无效</source>
        <translation>The file server address is invalid</translation>
    </message>
    <message>
        <source>文件服务器的回应无效</source>
        <translation>The file server gave an invalid answer</translation>
    </message>
    <message>
        <source>文件不存在或已过期</source>
        <translation>The file does not exist or has expired</translation>
    </message>
    <message>
        <source>文件服务器拒绝了下载（HTTP %1）</source>
        <translation>The file server refused the download (HTTP %1)</translation>
    </message>
    <message>
        <source>文件服务器未通过安全检查</source>
        <translation>The file server failed the security check</translation>
    </message>
    <message>
        <source>无法以 %1 的名字保存文件</source>
        <translation>Cannot save the file as %1</translation>
    </message>
</context>
<context>
    <name>KivFileUpload</name>
    <message>
        <source>文件已不存在或无法读取</source>
        <translation>The file no longer exists or cannot be read</translation>
    </message>
    <message>
        <source>文件在发送前被修改，请重新发送</source>
        <translation>The file changed before it was sent. Please send it again</translation>
    </message>
    <message>
        <source>服务器没有接受上传（空间已满，或连接已断开）</source>
        <translation>The server did not accept the upload (no space left, or the connection was lost)</translation>
    </message>
    <message>
        <source>网络连接已断开，连接恢复后继续发送</source>
        <translation>Connection lost. Sending resumes when the connection is back</translation>
    </message>
    <message>
        <source>文件在发送中被修改，请重新发送</source>
        <translation>The file changed while it was being sent. Please send it again</translation>
    </message>
    <message>
        <source>服务器拒绝了这个文件：%1</source>
        <translation>The server refused this file: %1</translation>
    </message>
    <message>
        <source>上传中断：%1</source>
        <translation>Upload interrupted: %1</translation>
    </message>
</context>
<context>
    <name>KivFriendMenu</name>
    <message>
        <source>发送即时消息</source>
        <translation>Send Message</translation>
    </message>
    <message>
        <source>查看个人资料</source>
        <translation>View Profile</translation>
    </message>
    <message>
        <source>删除好友</source>
        <translation>Remove Friend</translation>
    </message>
    <message>
        <source>添加为好友</source>
        <translation>Add as Friend</translation>
    </message>
    <message>
        <source>您确定要删除该好友吗？</source>
        <translation>Do you really want to remove this friend?</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>您还不是vip，请加入VIP组。</source>
        <translation>You are not a VIP yet. Please join the VIP group.</translation>
    </message>
</context>
<context>
    <name>KivFriendMyMessageBoxView</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
</context>
<context>
    <name>KivFriendPages</name>
    <message>
        <source>好友列表</source>
        <translation>Friends</translation>
    </message>
    <message>
        <source>最近联系人列表</source>
        <translation>Recent contacts</translation>
    </message>
    <message>
        <source>VIP好友列表</source>
        <translation>VIP friends</translation>
    </message>
</context>
<context>
    <name>KivGifts</name>
    <message>
        <source>您还不是vip，请加入VIP组！</source>
        <translation>You are not a VIP yet. Please join the VIP group!</translation>
    </message>
    <message>
        <source>你的余额不够兑换礼物！</source>
        <translation>Your balance is too low for these gifts!</translation>
    </message>
    <message>
        <source>余额不足！请充值。</source>
        <translation>Balance too low! Please top up.</translation>
    </message>
</context>
<context>
    <name>KivHistorySearchDlg</name>
    <message>
        <source>搜索聊天记录</source>
        <translation>Search Chat History</translation>
    </message>
</context>
<context>
    <name>KivIMChoiceHeadDlg</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>更换头像</source>
        <translation>Change Picture</translation>
    </message>
    <message>
        <source>经典头像</source>
        <translation>Classic</translation>
    </message>
    <message>
        <source>自定义头像</source>
        <translation>Custom</translation>
    </message>
    <message>
        <source>重新选择</source>
        <translation>Choose Again</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>未能读取个人资料，请稍后再试</source>
        <translation>Your profile could not be read. Please try again later.</translation>
    </message>
    <message>
        <source>%1过长，无法保存，请先在个人资料中删减</source>
        <translation>%1 is too long to save. Please shorten it in your profile first.</translation>
    </message>
    <message>
        <source>网络连接已断开，请稍后再试</source>
        <translation>The network connection is lost. Please try again later.</translation>
    </message>
    <message>
        <source>正在上传…</source>
        <translation>Uploading…</translation>
    </message>
    <message>
        <source>upload error</source>
        <translation>Upload failed.</translation>
    </message>
</context>
<context>
    <name>KivIMLoginDlg</name>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>账号</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>密码</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>记住密码</source>
        <translation>Remember</translation>
    </message>
    <message>
        <source>自动登入</source>
        <translation>Auto log in</translation>
    </message>
    <message>
        <source>登  录</source>
        <translation>Log In</translation>
    </message>
    <message>
        <source>注册账号</source>
        <translation>Sign Up</translation>
    </message>
    <message>
        <source>找回密码</source>
        <translation>Forgot?</translation>
    </message>
    <message>
        <source>显示密码</source>
        <translation>Show password</translation>
    </message>
    <message>
        <source>快捷键 %1</source>
        <translation>Shortcut %1</translation>
    </message>
    <message>
        <source>已有最新版本，是否进行安装？</source>
        <translation>A new version is ready. Install it now?</translation>
    </message>
    <message>
        <source>软件有最新版本,请到下载最新版本</source>
        <translation>A new version is available. Go to the download page?</translation>
    </message>
    <message>
        <source>该账号已在本机登录，请使用已打开的客户端</source>
        <translation>This account is already logged in on this computer. Please use the client that is open.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>账号或密码错误</source>
        <translation>Wrong account or password.</translation>
    </message>
    <message>
        <source>用户不存在</source>
        <translation>The user does not exist.</translation>
    </message>
    <message>
        <source>已经在其他地方登陆</source>
        <translation>You have logged in somewhere else.</translation>
    </message>
    <message>
        <source>连接失败，请检查您的网络连接!</source>
        <translation>Could not connect. Please check your network connection.</translation>
    </message>
    <message>
        <source>服务器只接受加密连接，已停止连接。</source>
        <translation>The server accepts only encrypted connections. Connecting stopped.</translation>
    </message>
    <message>
        <source>无法验证服务器的身份，已停止连接。</source>
        <translation>The server&apos;s identity could not be verified. Connecting stopped.</translation>
    </message>
    <message>
        <source>请检查您的网络连接!</source>
        <translation>Please check your network connection.</translation>
    </message>
</context>
<context>
    <name>KivIMMainDlg</name>
    <message numerus="yes">
        <source>%n 个文件正在传输</source>
        <translation>
            <numerusform>%n file transferring</numerusform>
            <numerusform>%n files transferring</numerusform>
        </translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>已经存在该好友</source>
        <translation>This person is already your friend.</translation>
    </message>
    <message>
        <source>对方拒绝了你的好友添加</source>
        <translation>Your friend request was declined.</translation>
    </message>
    <message>
        <source>删除成功</source>
        <translation>Friend removed.</translation>
    </message>
    <message>
        <source>删除失败</source>
        <translation>The friend could not be removed.</translation>
    </message>
    <message numerus="yes">
        <source>还有 %n 个文件正在传输，退出后将在下次登录时继续。确定退出吗？</source>
        <translation>
            <numerusform>%n file is still transferring; it will continue at your next login. Quit anyway?</numerusform>
            <numerusform>%n files are still transferring; they will continue at your next login. Quit anyway?</numerusform>
        </translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>KivIMPlayDlg</name>
    <message>
        <source>未下载的游戏</source>
        <translation>Not downloaded</translation>
    </message>
    <message>
        <source>已下载的游戏</source>
        <translation>Downloaded</translation>
    </message>
    <message>
        <source>大厅</source>
        <translation>Game Hall</translation>
    </message>
</context>
<context>
    <name>KivImChoiceCustomHeadDlg</name>
    <message>
        <source>上传图片</source>
        <translation>Upload Picture</translation>
    </message>
    <message>
        <source>124×124像素</source>
        <translation>124×124 pixels</translation>
    </message>
    <message>
        <source>53×53像素</source>
        <translation>53×53 pixels</translation>
    </message>
    <message>
        <source>选择图片</source>
        <translation>Choose Picture</translation>
    </message>
    <message>
        <source>图片文件(*.png *.jpg *.bmp *.jpeg *.gif)</source>
        <translation>Pictures (*.png *.jpg *.bmp *.jpeg *.gif)</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>KivMainDlgForm</name>
    <message>
        <source>我的头像</source>
        <translation>My picture</translation>
    </message>
    <message>
        <source>查看和修改个人资料</source>
        <translation>View and edit your profile</translation>
    </message>
    <message>
        <source>编辑个性签名</source>
        <translation>Edit your status</translation>
    </message>
    <message>
        <source>个性签名</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>网络已断开，正在重新连接…</source>
        <translation>Offline, reconnecting…</translation>
    </message>
    <message>
        <source>点击立即重新连接</source>
        <translation>Click to reconnect now</translation>
    </message>
    <message>
        <source>最近联系人</source>
        <translation>Recent</translation>
    </message>
    <message>
        <source>好友</source>
        <translation>Friends</translation>
    </message>
    <message>
        <source>VIP</source>
        <translation>VIP</translation>
    </message>
    <message>
        <source>系统设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>查找好友</source>
        <translation>Find Friends</translation>
    </message>
    <message>
        <source>好友请求</source>
        <translation>Friend Requests</translation>
    </message>
    <message>
        <source>主页</source>
        <translation>Home Page</translation>
    </message>
    <message>
        <source>搜索聊天记录</source>
        <translation>Search Chat History</translation>
    </message>
</context>
<context>
    <name>KivMainDlgHotKeys</name>
    <message>
        <source>显示主窗口</source>
        <translation>Show the main window</translation>
    </message>
    <message>
        <source>提取消息</source>
        <translation>Open the newest message</translation>
    </message>
</context>
<context>
    <name>KivMainDlgTray</name>
    <message>
        <source>恢复/显示</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>KivMessageNotices</name>
    <message>
        <source>请求添加您为好友</source>
        <translation>wants to add you as a friend</translation>
    </message>
    <message>
        <source>请求添加您为好友：%1</source>
        <translation>wants to add you as a friend: %1</translation>
    </message>
</context>
<context>
    <name>KivPasswordKeyring</name>
    <message>
        <source>没有可用的系统密钥环，代理密码只用于本次运行，不会被保存。</source>
        <translation>No system keyring is available. The proxy password is used for this session only and will not be saved.</translation>
    </message>
    <message>
        <source>没有可用的系统密钥环，密码不会被记住，下次登录请重新输入。</source>
        <translation>No system keyring is available. The password will not be remembered; enter it again next time you log in.</translation>
    </message>
</context>
<context>
    <name>KivPortalScreenshot</name>
    <message>
        <source>桌面给出的截图不是本机文件</source>
        <translation>The desktop&apos;s screenshot is not a file on this computer</translation>
    </message>
    <message>
        <source>找不到桌面写下的截图文件</source>
        <translation>The desktop&apos;s screenshot file cannot be found</translation>
    </message>
    <message>
        <source>桌面给出的截图太大</source>
        <translation>The desktop&apos;s screenshot is too large</translation>
    </message>
    <message>
        <source>桌面给出的截图文件不是图片</source>
        <translation>The desktop&apos;s screenshot file is not a picture</translation>
    </message>
    <message>
        <source>没有会话总线，无法使用桌面的截图服务</source>
        <translation>No session bus, so the desktop&apos;s screenshot service cannot be used</translation>
    </message>
    <message>
        <source>桌面没有可用的截图服务</source>
        <translation>The desktop has no screenshot service</translation>
    </message>
    <message>
        <source>截图被取消</source>
        <translation>The screenshot was cancelled</translation>
    </message>
    <message>
        <source>桌面没有完成截图</source>
        <translation>The desktop did not finish the screenshot</translation>
    </message>
    <message>
        <source>桌面的截图服务没有回应</source>
        <translation>The desktop&apos;s screenshot service did not answer</translation>
    </message>
</context>
<context>
    <name>KivProfileDialogs</name>
    <message>
        <source>修改成功</source>
        <translation>Saved.</translation>
    </message>
    <message>
        <source>修改失败</source>
        <translation>Could not save the changes.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>KivProfileUpdate</name>
    <message>
        <source>账号</source>
        <translation>The account</translation>
    </message>
    <message>
        <source>昵称</source>
        <translation>The nickname</translation>
    </message>
    <message>
        <source>个性签名</source>
        <translation>The status</translation>
    </message>
    <message>
        <source>所在地</source>
        <translation>The location</translation>
    </message>
    <message>
        <source>手机号码</source>
        <translation>The mobile number</translation>
    </message>
    <message>
        <source>生日</source>
        <translation>The birthday</translation>
    </message>
</context>
<context>
    <name>KivResendCountdown</name>
    <message numerus="yes">
        <source>%n秒后重新发送</source>
        <translation>
            <numerusform>Resend in %n s</numerusform>
            <numerusform>Resend in %n s</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>KivSafeImage</name>
    <message>
        <source>图片为空</source>
        <translation>The picture is empty</translation>
    </message>
    <message>
        <source>图片文件过大</source>
        <translation>The picture file is too large</translation>
    </message>
    <message>
        <source>无法识别的图片</source>
        <translation>Unrecognized picture</translation>
    </message>
    <message>
        <source>图片尺寸过大</source>
        <translation>The picture is too large</translation>
    </message>
    <message>
        <source>无法打开文件</source>
        <translation>Cannot open the file</translation>
    </message>
</context>
<context>
    <name>KivScreenGrab</name>
    <message>
        <source>没有可以截取的屏幕</source>
        <translation>There is no screen to capture</translation>
    </message>
    <message>
        <source>桌面不允许截取屏幕</source>
        <translation>The desktop does not allow screen capture</translation>
    </message>
</context>
<context>
    <name>KivScreenshotPicker</name>
    <message>
        <source>截图：拖动鼠标选择区域，Esc 取消</source>
        <translation>Screenshot: drag to select an area, Esc to cancel</translation>
    </message>
    <message>
        <source>拖动鼠标选择截图区域，按 Esc 取消</source>
        <translation>Drag to select the area to capture. Press Esc to cancel</translation>
    </message>
</context>
<context>
    <name>KivTransfers</name>
    <message>
        <source>无法读取文件：%1</source>
        <translation>Cannot read the file: %1</translation>
    </message>
    <message>
        <source>文件太大，最大 4 GB：%1</source>
        <translation>The file is too large (4 GB at most): %1</translation>
    </message>
    <message>
        <source>无法保存到本机（磁盘已满或无法写入），未发送</source>
        <translation>Could not be saved on this computer (the disk is full or not writable); not sent</translation>
    </message>
    <message>
        <source>无法保存图片到本机，未发送</source>
        <translation>Could not save the picture on this computer; not sent</translation>
    </message>
    <message>
        <source>无法保存到本机，稍后重试</source>
        <translation>Could not save on this computer; will try again later</translation>
    </message>
</context>
<context>
    <name>MyListModel</name>
    <message numerus="yes">
        <source>%n条未读消息</source>
        <translation>
            <numerusform>%n unread message</numerusform>
            <numerusform>%n unread messages</numerusform>
        </translation>
    </message>
    <message>
        <source>，</source>
        <comment>between the parts of a row&apos;s description</comment>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>QPlayItem</name>
    <message>
        <source>开始</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Get</translation>
    </message>
    <message>
        <source>开始游戏</source>
        <translation>Start the game</translation>
    </message>
    <message>
        <source>下载游戏</source>
        <translation>Download the game</translation>
    </message>
    <message>
        <source>无法打开游戏下载网站</source>
        <translation>The game download site could not be opened.</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>找不到游戏程序</source>
        <translation>The game program cannot be found</translation>
    </message>
    <message>
        <source>游戏程序不能运行</source>
        <translation>The game program cannot run</translation>
    </message>
    <message>
        <source>游戏启动失败：%1
%2</source>
        <translation>The game could not start: %1
%2</translation>
    </message>
</context>
<context>
    <name>QWindowBase</name>
    <message>
        <source>最小化</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>最大化</source>
        <translation>Maximize</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>kivPersonalInfoDlg</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>好友资料</source>
        <translation>Friend&apos;s Profile</translation>
    </message>
    <message>
        <source>头像</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>昵称</source>
        <translation>Nickname</translation>
    </message>
    <message>
        <source>编辑个性签名</source>
        <translation>Edit your status</translation>
    </message>
    <message>
        <source>个性签名</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>账号</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>男</source>
        <translation>Male</translation>
    </message>
    <message>
        <source>女</source>
        <translation>Female</translation>
    </message>
    <message>
        <source>性别</source>
        <translation>Sex</translation>
    </message>
    <message>
        <source>出生年份</source>
        <translation>Birth year</translation>
    </message>
    <message>
        <source>出生月份</source>
        <translation>Birth month</translation>
    </message>
    <message>
        <source>出生日</source>
        <translation>Birth day</translation>
    </message>
    <message>
        <source>年</source>
        <extracomment>After the year field of the birthday.</extracomment>
        <translation>/</translation>
    </message>
    <message>
        <source>月</source>
        <extracomment>After the month field of the birthday.</extracomment>
        <translation>/</translation>
    </message>
    <message>
        <source>日</source>
        <extracomment>After the day field of the birthday.</extracomment>
        <translation>(Y/M/D)</translation>
    </message>
    <message>
        <source>生日</source>
        <translation>Birthday</translation>
    </message>
    <message>
        <source>星座</source>
        <translation>Sign</translation>
    </message>
    <message>
        <source>生肖</source>
        <translation>Zodiac</translation>
    </message>
    <message>
        <source>年龄</source>
        <translation>Age</translation>
    </message>
    <message>
        <source>国家或地区</source>
        <translation>Country or region</translation>
    </message>
    <message>
        <source>省份</source>
        <translation>Province</translation>
    </message>
    <message>
        <source>城市</source>
        <translation>City</translation>
    </message>
    <message>
        <source>所在地</source>
        <translation>Location</translation>
    </message>
    <message>
        <source>手机</source>
        <translation>Mobile</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>我的资料</source>
        <translation>My Profile</translation>
    </message>
    <message>
        <source>更换头像</source>
        <translation>Change Picture</translation>
    </message>
    <message>
        <source>昵称不能为空！</source>
        <translation>The nickname cannot be empty.</translation>
    </message>
    <message>
        <source>生日格式不正确</source>
        <translation>The birthday is not valid.</translation>
    </message>
    <message>
        <source>手机号码格式不正确</source>
        <translation>The mobile number is not valid.</translation>
    </message>
    <message>
        <source>%1过长，无法保存，请删减后再试</source>
        <translation>%1 is too long to save. Please shorten it and try again.</translation>
    </message>
    <message>
        <source>网络连接已断开，请稍后再试</source>
        <translation>The network connection is lost. Please try again later.</translation>
    </message>
</context>
<context>
    <name>kivRecoverPassworddlg</name>
    <message>
        <source>请输入新密码</source>
        <translation>New password</translation>
    </message>
    <message>
        <source>该手机没有注册！</source>
        <translation>No account uses this mobile number.</translation>
    </message>
    <message>
        <source>请先获取验证码！</source>
        <translation>Please get a code first.</translation>
    </message>
    <message>
        <source>验证码错误！</source>
        <translation>The code is wrong.</translation>
    </message>
    <message>
        <source>密码修改成功！</source>
        <translation>The password has been changed.</translation>
    </message>
    <message>
        <source>密码修改失败！</source>
        <translation>The password could not be changed.</translation>
    </message>
</context>
<context>
    <name>kivRegisterDlg</name>
    <message>
        <source>账号</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>账号为手机号</source>
        <translation>Your mobile number</translation>
    </message>
    <message>
        <source>该手机号码已注册或不存在！</source>
        <translation>This mobile number is already registered or does not exist.</translation>
    </message>
    <message>
        <source>请输入验证码！</source>
        <translation>Please enter the code.</translation>
    </message>
    <message>
        <source>验证码输入不正确！</source>
        <translation>The code is wrong.</translation>
    </message>
    <message>
        <source>注册失败！</source>
        <translation>Sign-up failed.</translation>
    </message>
    <message>
        <source>注册成功</source>
        <translation>You have signed up.</translation>
    </message>
    <message>
        <source>此账号已注册</source>
        <translation>This account is already registered.</translation>
    </message>
</context>
</TS>
